#include <cstdio>
#include <cstdlib>

#include "base/fatal_error.h"

// The console programs' answer to a failure of the core: one line, then status 1.
// exit closes and flushes every open stream, so a partly written file keeps
// what was written.
void fatalError(const char* message) {
    std::printf("%s\n", message);
    std::exit(1);
}
