#pragma once
#include <cstdint>
#include <vector>

#include "playing/file_timing.h"

// The clock of a file: the time of each tick from the start, and the other
// way round. A division of ticks per quarter note follows the tempo map
// (500,000 microseconds a quarter note until the first Set Tempo); an SMPTE
// division counts frames and ignores tempo (29 frames a second means 29.97);
// a division of 0, or 0 ticks a frame, never leaves the start.
//
// Times are whole numbers of a unit that divides a microsecond exactly
// (unitsPerMicrosecond() of them), so that ticks convert both ways without
// rounding; they hold at saturated::Largest past about 2^63 units.
class PlayingClock {
public:
    explicit PlayingClock(const FileTiming& timing);

    // Whether a tick is a fraction of a quarter note, so that there are beats.
    bool countsQuarterNotes() const { return quarterNotes; }
    int64_t unitsPerMicrosecond() const { return units; }
    // Ticks and times before the start are the start.
    int64_t timeAt(int64_t tick) const;
    // The last tick whose time is at most time; for a clock that counts
    // quarter notes only.
    int64_t tickAt(int64_t time) const;

private:
    bool quarterNotes = false;
    int64_t units = 1;
    int64_t unitsPerTick = 0;  // a frame clock's; a tempo map's come from its tempos
    // Each tempo's first tick, its units a tick and the time there; the
    // first entry is the tempo before any Set Tempo.
    struct Span {
        int64_t tick;
        int64_t unitsPerTick;
        int64_t time;
    };
    std::vector<Span> spans;

    void followTempos(const std::vector<TempoChange>& tempos);
    void countFrames(int framesPerSecond, int ticksPerFrame);
};

// A time of a clock in whole milliseconds, rounded down: the handset
// synthesizer's clock counts whole milliseconds, and an event belongs to the
// millisecond it falls in.
int64_t wholeMilliseconds(const PlayingClock& clock, int64_t time);
