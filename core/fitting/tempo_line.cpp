#include "fitting/tempo_line.h"

#include <algorithm>
#include <iterator>

namespace {
constexpr int64_t MicrosecondsPerMillisecond = 1000;
}  // namespace

TempoLine::TempoLine(const FitTune& tune) : division(tune.division) {
    for (const FitEvent& event : tune.events) {
        int32_t tempo = 0;
        if (!event.kept || !isCheckedSetTempo(tune.bytesOf(event), event.length, tempo)) continue;
        TempoMap next = clocks.back();
        next.change(event.tick, tempo);
        ticks.push_back(event.tick);
        starts.push_back(next.scaledTime(event.tick));
        clocks.push_back(next);
    }
}

const TempoMap& TempoLine::clockAt(int64_t tick) const {
    const auto after = std::upper_bound(ticks.begin(), ticks.end(), tick);
    return clocks[static_cast<size_t>(after - ticks.begin())];
}

int64_t TempoLine::earliestTickReaching(int64_t scaled) const {
    // The clocks start at ever later times: the last that starts short of
    // scaled is in force where it is reached.
    const auto reached = std::lower_bound(starts.begin(), starts.end(), scaled);
    return clocks[static_cast<size_t>(std::max<std::ptrdiff_t>(reached - starts.begin() - 1, 0))]
        .earliestTickReaching(scaled);
}

int64_t TempoLine::tickLasting(int64_t tick, int32_t minimumMs) const {
    const int64_t start = scaledTime(tick);
    const int64_t length = int64_t{minimumMs} * division * MicrosecondsPerMillisecond;
    return earliestTickReaching(start > TempoMap::Saturated - length ? TempoMap::Saturated : start + length);
}
