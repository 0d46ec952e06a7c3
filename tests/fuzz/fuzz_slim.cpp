// Slimming over any bytes, as a converted file and as the conversion of the
// bytes the analysis accepted. The first byte picks -Z, -0 and the level.
// A file it rewrites must read back whole: every track with its end.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "fuzz_input.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "playing/played_events.h"
#include "slim/slimming.h"

namespace {
void slimAndReread(const SlimSettings& settings, std::vector<uint8_t> bytes) {
    const std::vector<uint8_t> before = bytes;
    SlimOutcome outcome;
    if (slimFile(settings, bytes, outcome).failed()) return;
    if (outcome.bytesBefore != before.size() || outcome.bytesAfter != bytes.size()) std::abort();
    if (bytes == before) return;
    PlayedEvents reread;
    if (!reread.read(bytes.data(), bytes.size()) || !reread.everyTrackEnds()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    SlimSettings settings;
    settings.slim = data[0] & 1;
    settings.formatZero = (data[0] >> 1) & 1;
    if (!settings.asked()) settings.slim = 1;
    slimAndReread(settings, std::vector<uint8_t>(data + 1, data + size));
    fatalErrors.clear();
    if (!analyseFuzzInput(data + 1, size - 1) || !fatalErrors.empty()) return 0;
    ConvertOptions.detectLevel = (data[0] >> 2) & 3;
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    FilePass pass = defaultFilePass();
    ConvertedFile made;
    if (makeConvertedFile(pass, jobFromConvertOptions(), ConvertOptions.tuneLength, made).ok())
        slimAndReread(settings, made.bytes);
    return 0;
}
