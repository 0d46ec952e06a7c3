#pragma once
#include <string>

#include "test_support.h"

// Loads bytes as the source and analyses it, as every front end does before
// an export. False when the source could not be loaded.
bool prepareSource(const Bytes& file);

// The event text exported from file ("" when the export fails).
std::string exportedText(const Bytes& file);

// The MIDI file imported from text; status receives importEventText's result.
Bytes importedFile(const std::string& text, int* status = nullptr);

// Lines joined with CR LF, each line ended.
std::string crlfLines(std::initializer_list<const char*> lines);

// An event text around one track whose lines are given.
std::string oneTrackText(std::initializer_list<const char*> eventLines);
