#include "render_print.h"

#include "handset_synth.h"

RenderPrint renderPrint(const uint8_t* tune, size_t size, int polyphony, int64_t maxFrames) {
    // FNV-1a over the samples as unsigned 16-bit values.
    constexpr uint64_t FnvOffset = 0xCBF29CE484222325ull;
    constexpr uint64_t FnvPrime = 0x100000001B3ull;
    const size_t channels = static_cast<size_t>(handsetSynthFormat().channels);
    RenderPrint print;
    print.hash = FnvOffset;
    const RenderOutcome outcome = renderTune(
        tune, size, polyphony, maxFrames, [&print, channels](const int16_t* samples, size_t frames) {
            for (size_t i = 0; i < frames * channels; ++i)
                print.hash = (print.hash ^ static_cast<uint16_t>(samples[i])) * FnvPrime;
            return true;
        });
    print.refused = outcome.error.step != SynthStep::None;
    print.frames = outcome.frames;
    return print;
}

void PrintTo(const RenderPrint& print, std::ostream* out) {
    if (print.refused) *out << "refused after ";
    *out << print.frames << " frames, hash " << std::hex << print.hash << std::dec;
}
