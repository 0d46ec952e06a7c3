#pragma once
#include <cstdint>
#include <string>

// What the console's arguments say. Names are kept whole here: a name longer
// than a path buffer holds is refused when it is used, never cut.
struct CommandLine {
    std::string sourceName;
    std::string outputName;
    int positionalCount = 0;
};

// Examines the arguments from first to last: positional names and "-"
// placeholders, and the options -D, -T, -I and -V, which go straight into
// ConvertOptions, and -S, which goes into SpMidi. An option that does not fit
// its form is ignored.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The decimal number at the start of text by the 32-bit atol rule: leading
// white space, an optional sign, digits up to the first other character; a
// value beyond the 32-bit range saturates.
int32_t parseTicks(const char* text);
