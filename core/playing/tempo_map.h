#pragma once
#include <cstdint>
#include <vector>

// A Set Tempo event on a time line.
struct TempoEvent {
    int64_t tick;
    int32_t track;
    int32_t tempo;  // microseconds per quarter note
};

// The clock of one time line: 500000 microseconds per quarter note until the
// first Set Tempo, then each tempo from its tick on.
class TempoMap {
public:
    // tempos in time order.
    explicit TempoMap(const std::vector<TempoEvent>& tempos);

    // The microseconds from tick 0 to tick, times the file's division (the
    // sum of ticks times tempo): whole numbers, so that lengths compare
    // exactly. Held at Saturated, which only a tune of billions of ticks reaches.
    int64_t scaledTime(int64_t tick) const;

    static constexpr int64_t Saturated = INT64_MAX;

private:
    // Each tempo's first tick and the scaled time there; the first entry is
    // the default tempo from tick 0.
    std::vector<int64_t> ticks;
    std::vector<int32_t> values;
    std::vector<int64_t> starts;
};
