#pragma once
#include <string>
#include <vector>

#include "batch_result.h"

// One converted tune as inline SVG: its voices as an area and its notes as a
// line over time, each profile's voice limit as a dashed line and its
// findings as marks above the plot at their places, and along the bottom the
// time in seconds and the source's bars. A profile takes the colour of its
// place in profileNames (the page's columns), so that it looks alike in
// every picture.
std::string voicePicture(const BatchResult& result, const std::vector<std::string>& profileNames);

// The class that gives a profile its colour ("c0" ... "c7") from its place
// in the page's columns, in the pictures and in the page's legends.
std::string profileColourClass(const std::string& name, const std::vector<std::string>& profileNames);
