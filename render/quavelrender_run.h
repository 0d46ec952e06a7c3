#pragma once

// One whole quavelrender run: arguments, the source, the render into a staged
// WAV file, the summary line. Returns the exit status: 0 for a WAV written
// or the usage text, 1 for every failure (and then no file changed).
int runQuavelRender(int argc, const char* const* argv);
