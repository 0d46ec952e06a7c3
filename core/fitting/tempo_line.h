#pragma once
#include <cstdint>
#include <vector>

#include "fitting/fit_tune.h"
#include "playing/tempo_map.h"

// A tune's clock at any tick, as the handset check measures lengths: the
// tempo map as it stands after each Set Tempo, in playing order, so that a
// time is asked of the change in force there, before or after the last.
class TempoLine {
public:
    explicit TempoLine(const FitTune& tune);

    // Microseconds times the division, as TempoMap counts them.
    int64_t scaledTime(int64_t tick) const { return clockAt(tick).scaledTime(tick); }
    // The earliest tick whose scaled time reaches scaled (TempoMap::NeverReached if none).
    int64_t earliestTickReaching(int64_t scaled) const;
    // The earliest tick at which a note from tick has lasted minimumMs.
    int64_t tickLasting(int64_t tick, int32_t minimumMs) const;

private:
    int64_t division;
    std::vector<int64_t> ticks;                // of each change
    std::vector<TempoMap> clocks{TempoMap()};  // before the first change, then after each
    std::vector<int64_t> starts{0};            // the scaled time where each clock takes over

    const TempoMap& clockAt(int64_t tick) const;
};
