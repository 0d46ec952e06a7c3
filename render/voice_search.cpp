#include "voice_search.h"

#include <algorithm>

#include "handset_synth.h"

VoiceSearch::VoiceSearch(const std::vector<uint8_t>& bytes)
    : tune(bytes), reference(renderWholePcm(bytes, handsetSynthFormat().maxVoices, &refused)) {}

int64_t VoiceSearch::firstDifferentFrame(int polyphony) const {
    const SynthFormat format = handsetSynthFormat();
    const size_t channels = static_cast<size_t>(format.channels);
    const int64_t maxFrames = static_cast<int64_t>(MaxRenderSeconds) * format.sampleRate;
    size_t compared = 0;  // samples
    int64_t different = -1;
    const RenderOutcome outcome = renderTune(
        tune.data(), tune.size(), polyphony, maxFrames, [&](const int16_t* samples, size_t frames) {
            const size_t count = frames * channels;
            const size_t common = std::min(count, reference.size() - compared);
            const int16_t* expected = reference.data() + compared;
            const auto mismatch = std::mismatch(samples, samples + common, expected);
            if (mismatch.first != samples + common || common < count) {
                different = static_cast<int64_t>((compared + static_cast<size_t>(mismatch.first - samples)) /
                                                 channels);
                return false;
            }
            compared += count;
            return true;
        });
    if (different >= 0) return different;
    if (outcome.error.step != SynthStep::None) return 0;
    // A render that ends sooner lacks the rest of the full one.
    return compared < reference.size() ? static_cast<int64_t>(compared / channels) : -1;
}

double VoiceSearch::firstDifferentSeconds(int polyphony) const {
    const int64_t frame = firstDifferentFrame(polyphony);
    return frame < 0 ? -1.0 : static_cast<double>(frame) / handsetSynthFormat().sampleRate;
}

int VoiceSearch::smallestEqualPolyphony() const {
    // More voices never lose more notes: a render with no stolen voice at P
    // has none at P + 1 either, so the equal renders are those from one
    // polyphony up.
    int differs = 0;
    int equals = handsetSynthFormat().maxVoices;
    while (equals - differs > 1) {
        const int middle = differs + (equals - differs) / 2;
        (firstDifferentFrame(middle) < 0 ? equals : differs) = middle;
    }
    return equals;
}
