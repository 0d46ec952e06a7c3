#include "playing/tempo_map.h"

#include <algorithm>

#include "smf/big_endian.h"
#include "smf/mtrk.h"

namespace {
int64_t saturatedSum(int64_t a, int64_t b) {
    return a > TempoMap::Saturated - b ? TempoMap::Saturated : a + b;
}
}  // namespace

void TempoMap::change(int64_t tick, int32_t newTempo) {
    startTime = scaledTime(tick);
    since = tick;
    tempo = newTempo;
    // One division a tempo, not one a note.
    mostTicks = tempo > 0 ? Saturated / tempo : Saturated;
}

int64_t TempoMap::scaledTime(int64_t tick) const {
    const int64_t ticks = tick - since;
    return saturatedSum(startTime, ticks > mostTicks ? Saturated : ticks * tempo);
}

int64_t TempoMap::earliestTickReaching(int64_t scaled) const {
    if (scaled <= startTime) return since;
    if (tempo <= 0) return NeverReached;
    // The fewest ticks whose sum of tempos reaches the rest.
    const int64_t ticks = (scaled - startTime - 1) / tempo + 1;
    return ticks > NeverReached - since ? NeverReached : since + ticks;
}

bool isCheckedSetTempo(const uint8_t* bytes, int32_t length, int32_t& tempo) {
    constexpr int32_t TempoEventLength = sizeof PATTERN_TEMPO + SetTempoLength;
    if (length < TempoEventLength || !std::equal(PATTERN_TEMPO, PATTERN_TEMPO + sizeof PATTERN_TEMPO, bytes))
        return false;
    tempo = static_cast<int32_t>(bigEndianValue(bytes + sizeof PATTERN_TEMPO, SetTempoLength));
    return true;
}
