#pragma once
// A render held as its length and a hash of its samples, so that two renders
// compare sample for sample without keeping their PCM: the slimming's render
// tests and its fuzzer judge with it.
#include <cstddef>
#include <cstdint>
#include <ostream>

struct RenderPrint {
    bool refused = false;  // the synthesizer gave up at some step
    int64_t frames = 0;
    uint64_t hash = 0;
    bool operator==(const RenderPrint& other) const {
        return refused == other.refused && frames == other.frames && hash == other.hash;
    }
};

// Renders the tune at the polyphony for at most maxFrames frames.
RenderPrint renderPrint(const uint8_t* tune, size_t size, int polyphony, int64_t maxFrames);

// How a failed comparison shows the two renders.
void PrintTo(const RenderPrint& print, std::ostream* out);
