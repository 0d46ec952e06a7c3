#pragma once
#include <string>
#include <vector>

// The tests' fatalError: it records every message and returns, as the GUI's does.
extern std::vector<std::string> fatalErrors;

// Every test of a conversion starts here: the options reset, dynamic detection
// (level 1), time detection on unless noTimeDetect, and no error recorded.
void startConversionTest(bool noTimeDetect = false);
