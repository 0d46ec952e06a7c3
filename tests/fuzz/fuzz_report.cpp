// The analysis report over arbitrary bytes.
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    analyseFuzzInput(data, size);
    return 0;
}
