#include "playing/bar_grid.h"

#include <algorithm>

#include "playing/saturated.h"

namespace {
constexpr MeterChange CommonTime{0, 4, 2};
constexpr int64_t QuartersPerWhole = 4;
}  // namespace

BarGrid::BarGrid(const std::vector<MeterChange>& meters, int32_t ticksPerQuarter)
    : ticksPerWhole(QuartersPerWhole * std::max(ticksPerQuarter, 1)) {
    spans.push_back({0, 1, CommonTime});
    for (const MeterChange& meter : meters) spans.push_back(spanFrom(spans.back(), meter));
}

// A beat of 1/2^p is ticksPerWhole / 2^p ticks: counted in 2^p-ths of a tick,
// beats are whole.
int64_t BarGrid::beatsInto(const Span& span, int64_t tick, bool& onBeat) const {
    const int64_t power = span.meter.beatPower;
    const int64_t since = tick - span.tick;
    if (since > (saturated::Largest >> power)) {
        onBeat = false;
        return saturated::Largest;
    }
    const int64_t fine = since << power;
    onBeat = fine % ticksPerWhole == 0;
    return fine / ticksPerWhole;
}

BarGrid::Span BarGrid::spanFrom(const Span& before, const MeterChange& meter) const {
    bool onBeat = false;
    const int64_t beats = beatsInto(before, meter.tick, onBeat);
    const int64_t bars = beats / before.meter.beatsPerBar;
    const bool onBarLine = onBeat && beats % before.meter.beatsPerBar == 0;
    return {meter.tick, saturated::sum(before.bar, onBarLine ? bars : saturated::sum(bars, 1)), meter};
}

BarBeat BarGrid::at(int64_t tick) const {
    tick = std::max<int64_t>(tick, 0);  // before the start is the start
    // The last time signature at or before the tick: of several at one tick, the last played.
    const auto after = std::upper_bound(spans.begin(), spans.end(), tick,
                                        [](int64_t wanted, const Span& span) { return wanted < span.tick; });
    const Span& span = *(after - 1);
    bool onBeat = false;
    const int64_t beats = beatsInto(span, tick, onBeat);
    const int64_t beatsPerBar = span.meter.beatsPerBar;
    return {saturated::narrow(saturated::sum(span.bar, beats / beatsPerBar)),
            static_cast<int32_t>(beats % beatsPerBar + 1)};
}
