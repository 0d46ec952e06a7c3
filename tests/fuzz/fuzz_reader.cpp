// Walks every event of every track of arbitrary bytes.
#include "file_pass.h"
#include "fuzz_input.h"
#include "mtrk.h"
#include "vfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    loadFuzzInput(data, size);
    uint8_t header[SmfHeaderSize];
    beginFilePass(header);
    checkSmfHeader(header);
    volatile uint32_t sum = 0;
    for (int t = 0; t < SmfHeader.trackCount && trackReader.load(inputFile); ++t) {
        while (int n = trackReader.nextEvent()) sum = sum + trackReader.event[n - 1] + static_cast<uint32_t>(trackReader.delta);
    }
    return 0;
}
