#include "playing/tempo_map.h"

namespace {
int64_t saturatedProduct(int64_t ticks, int64_t tempo) {
    if (tempo != 0 && ticks > TempoMap::Saturated / tempo) return TempoMap::Saturated;
    return ticks * tempo;
}

int64_t saturatedSum(int64_t a, int64_t b) {
    return a > TempoMap::Saturated - b ? TempoMap::Saturated : a + b;
}
}  // namespace

void TempoMap::change(int64_t tick, int32_t newTempo) {
    startTime = scaledTime(tick);
    since = tick;
    tempo = newTempo;
}

int64_t TempoMap::scaledTime(int64_t tick) const {
    return saturatedSum(startTime, saturatedProduct(tick - since, tempo));
}
