#pragma once
#include <cstdint>

#include "smf/midi_format.h"

// The clock of a time line read in playing order: 500000 microseconds per
// quarter note until the first Set Tempo, then each tempo from its tick on.
// It keeps only the tempo in force, so a walk needs no list of tempos.
class TempoMap {
public:
    // A Set Tempo at tick, no earlier than the one before.
    void change(int64_t tick, int32_t tempo);
    // The microseconds from tick 0 to tick, times the file's division (the
    // sum of ticks times tempo), for a tick no earlier than the last change:
    // whole numbers, so that lengths compare exactly. Held at Saturated,
    // which only a tune of billions of ticks reaches.
    int64_t scaledTime(int64_t tick) const;
    // The earliest tick, no earlier than the last change, whose scaled time
    // reaches scaled: NeverReached where the clock stands still short of it.
    int64_t earliestTickReaching(int64_t scaled) const;

    static constexpr int64_t NeverReached = INT64_MAX;

    static constexpr int64_t Saturated = INT64_MAX;

private:
    int64_t since = 0;      // the tick of the tempo in force
    int64_t startTime = 0;  // the scaled time there
    int32_t tempo = DefaultTempo;
    int64_t mostTicks = Saturated / DefaultTempo;  // the most that scale within Saturated
};

// A Set Tempo as the handset check reads one: FF 51 03 and its three bytes,
// the value in tempo; false for any other event. bytes: status first.
bool isCheckedSetTempo(const uint8_t* bytes, int32_t length, int32_t& tempo);
