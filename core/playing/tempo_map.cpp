#include "playing/tempo_map.h"

#include <algorithm>

#include "smf/midi_format.h"

namespace {
int64_t saturatedProduct(int64_t ticks, int64_t tempo) {
    if (tempo != 0 && ticks > TempoMap::Saturated / tempo) return TempoMap::Saturated;
    return ticks * tempo;
}

int64_t saturatedSum(int64_t a, int64_t b) {
    return a > TempoMap::Saturated - b ? TempoMap::Saturated : a + b;
}
}  // namespace

TempoMap::TempoMap(const std::vector<TempoEvent>& tempos) : ticks{0}, values{DefaultTempo}, starts{0} {
    for (const TempoEvent& tempo : tempos) {
        const int64_t since = tempo.tick - ticks.back();
        starts.push_back(saturatedSum(starts.back(), saturatedProduct(since, values.back())));
        ticks.push_back(tempo.tick);
        values.push_back(tempo.tempo);
    }
}

int64_t TempoMap::scaledTime(int64_t tick) const {
    // The last tempo that starts at or before tick.
    const size_t k =
        static_cast<size_t>(std::upper_bound(ticks.begin(), ticks.end(), tick) - ticks.begin()) - 1;
    return saturatedSum(starts[k], saturatedProduct(tick - ticks[k], values[k]));
}
