#pragma once
#include <cstdint>
#include <vector>

#include "handset_synth.h"

// The exact answer of the handset synthesizer about a tune's voices: how many
// it needs so that no note is lost, and where notes are lost with fewer. A
// render at polyphony P loses a note exactly when it differs, sample for
// sample, from the render at the synthesizer's full polyphony.
class VoiceSearch {
public:
    // Renders the tune at full polyphony; the bytes must outlive the search.
    explicit VoiceSearch(const std::vector<uint8_t>& tune);

    // False when the synthesizer refuses the tune; nothing else then means anything.
    bool playable() const { return refused.step == SynthStep::None; }
    // Where and why the synthesizer refused the tune.
    const SynthError& refusal() const { return refused; }
    // The first frame at which the render at polyphony differs from the full
    // render, or -1 when it does not. Renders only up to that frame.
    int64_t firstDifferentFrame(int polyphony) const;
    // The same as seconds from the tune's start; negative when it does not differ.
    double firstDifferentSeconds(int polyphony) const;
    // The smallest polyphony from which every render equals the full render,
    // searched by bisection and checked one voice below; the full polyphony
    // when even that is the smallest.
    int smallestEqualPolyphony() const;

private:
    const std::vector<uint8_t>& tune;
    SynthError refused;
    std::vector<int16_t> reference;
};
