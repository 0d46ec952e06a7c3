// Slimming over any bytes, as a converted file and as the conversion of the
// bytes the analysis accepted. The first byte picks -Z, -0 and the level.
// A file it rewrites must read back whole, every track with its end, and,
// where the handset synthesizer is built, sound as the file it came from.
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
#ifdef QUAVEL_FUZZ_RENDERS
#include "handset_synth.h"
#include "render_print.h"
#endif

namespace {
#ifdef QUAVEL_FUZZ_RENDERS
// The first seconds of each render: enough for what a changed reading does
// at once, and a bound on a tune of long silences.
constexpr int RenderedSeconds = 20;
constexpr int FullPolyphony = 64;

RenderPrint firstSeconds(const std::vector<uint8_t>& tune) {
    const int64_t frames = static_cast<int64_t>(RenderedSeconds) * handsetSynthFormat().sampleRate;
    return renderPrint(tune.data(), tune.size(), FullPolyphony, frames);
}

bool soundsTheSame(const std::vector<uint8_t>& plain, const std::vector<uint8_t>& slimmed) {
    const RenderPrint expected = firstSeconds(plain);
    const RenderPrint made = firstSeconds(slimmed);
    if (made == expected) return true;
    std::fprintf(stderr, "slimmed: %s%lld frames; plain: %s%lld frames\n",
                 made.refused ? "refused after " : "", static_cast<long long>(made.frames),
                 expected.refused ? "refused after " : "", static_cast<long long>(expected.frames));
    return false;
}
#else
bool soundsTheSame(const std::vector<uint8_t>&, const std::vector<uint8_t>&) {
    return true;
}
#endif

void slimAndReread(const SlimSettings& settings, std::vector<uint8_t> bytes) {
    const std::vector<uint8_t> before = bytes;
    SlimOutcome outcome;
    if (slimFile(settings, bytes, outcome).failed()) return;
    if (outcome.bytesBefore != before.size() || outcome.bytesAfter != bytes.size()) std::abort();
    if (bytes == before) return;
    PlayedEvents reread;
    if (!reread.read(bytes.data(), bytes.size()) || !reread.everyTrackEnds()) std::abort();
    if (!soundsTheSame(before, bytes)) std::abort();
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
