#pragma once

constexpr int PathBufferSize = 256;

extern char sourcePath[PathBufferSize];
extern char outputPath[PathBufferSize];
extern char reportPath[PathBufferSize];

// One whole console run: arguments, banner, analysis, settings, conversion.
// Returns the exit status of a run that reaches its end (3 when the file
// written does not fit a -P profile); failures end the process through
// fatalError with status 1.
int runConsole(int argc, const char* const* argv);
