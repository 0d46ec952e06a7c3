// Walks every event of every track of arbitrary bytes.
#include "fuzz_input.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/mtrk.h"
#include "smf/vfile.h"

namespace {
struct Touch : TrackVisitor {
    volatile uint32_t sum = 0;
    bool onHeader(FilePass& pass) {
        checkPassHeader(pass);
        return true;
    }
    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        sum = sum + reader.event[reader.eventLength - 1] + static_cast<uint32_t>(at.tick);
        return true;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    loadFuzzInput(data, size);
    FilePass pass = defaultFilePass();
    Touch touch;
    walkFile(pass, touch);
    return 0;
}
