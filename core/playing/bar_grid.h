#pragma once
#include <cstdint>
#include <vector>

#include "playing/file_timing.h"

// A bar and a beat in it, both counted from 1, as a sequencer shows them.
struct BarBeat {
    int32_t bar;
    int32_t beat;
    bool operator==(const BarBeat& other) const { return bar == other.bar && beat == other.beat; }
};

// The bars of a file of ticks per quarter note, from its time signatures: 4/4
// until the first, and a beat is one note of the denominator (6/8 has six
// eighth-note beats a bar). A time signature that falls inside a bar starts a
// new bar there, as sequencers do: the bar it cuts short counts as a bar.
// Bars past INT32_MAX hold there.
class BarGrid {
public:
    BarGrid(const std::vector<MeterChange>& meters, int32_t ticksPerQuarter);

    BarBeat at(int64_t tick) const;

private:
    // Each time signature's first tick, the bar it starts and its meter.
    struct Span {
        int64_t tick;
        int64_t bar;
        MeterChange meter;
    };
    std::vector<Span> spans;
    int64_t ticksPerWhole;

    // Whole beats from the span's start to the tick, and whether the tick is
    // on a beat's start.
    int64_t beatsInto(const Span& span, int64_t tick, bool& onBeat) const;
    Span spanFrom(const Span& before, const MeterChange& meter) const;
};
