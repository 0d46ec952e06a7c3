#include "playing/playing_clock.h"

#include <algorithm>

#include "playing/saturated.h"
#include "smf/midi_format.h"

namespace {
constexpr int64_t MicrosecondsPerSecond = 1000000;
constexpr int64_t MicrosecondsPerMillisecond = 1000;
// 29 frames a second means 29.97: a frame is 1001/30000 s, so a tick is
// 100100 / (3 * ticks a frame) microseconds.
constexpr int DropFrameRate = 29;
constexpr int64_t DropFrameTickNumerator = 100100;
constexpr int64_t DropFrameTickDenominator = 3;
}  // namespace

PlayingClock::PlayingClock(const FileTiming& timing) {
    if ((timing.division & SmpteDivisionBit) != 0) {
        // The high byte is minus the frames a second, the low byte ticks a frame.
        countFrames(256 - (timing.division >> 8), timing.division & 0xFF);
        return;
    }
    if (timing.division == 0) return;
    quarterNotes = true;
    units = timing.division;
    followTempos(timing.tempos);
}

void PlayingClock::followTempos(const std::vector<TempoChange>& tempos) {
    spans.push_back({0, DefaultTempo, 0});
    for (const TempoChange& tempo : tempos) {
        const Span& last = spans.back();
        const int64_t time =
            saturated::sum(last.time, saturated::product(tempo.tick - last.tick, last.unitsPerTick));
        spans.push_back({tempo.tick, tempo.microsecondsPerQuarter, time});
    }
}

void PlayingClock::countFrames(int framesPerSecond, int ticksPerFrame) {
    if (ticksPerFrame == 0) return;
    // A tick is 10^6 / (frames a second * ticks a frame) microseconds.
    const bool dropFrame = framesPerSecond == DropFrameRate;
    unitsPerTick = dropFrame ? DropFrameTickNumerator : MicrosecondsPerSecond;
    units = (dropFrame ? DropFrameTickDenominator : int64_t{framesPerSecond}) * ticksPerFrame;
}

int64_t PlayingClock::timeAt(int64_t tick) const {
    tick = std::max<int64_t>(tick, 0);  // before the start is the start
    if (spans.empty()) return saturated::product(tick, unitsPerTick);
    // The last tempo that starts at or before the tick.
    const auto after = std::upper_bound(spans.begin(), spans.end(), tick,
                                        [](int64_t wanted, const Span& span) { return wanted < span.tick; });
    const Span& span = *(after - 1);
    return saturated::sum(span.time, saturated::product(tick - span.tick, span.unitsPerTick));
}

int64_t PlayingClock::tickAt(int64_t time) const {
    if (spans.empty() || time < 0) return 0;
    const auto after = std::upper_bound(spans.begin(), spans.end(), time,
                                        [](int64_t wanted, const Span& span) { return wanted < span.time; });
    const Span& span = *(after - 1);
    // A tempo of 0 never moves the clock on: the time is never reached after it.
    if (span.unitsPerTick == 0) return time == span.time ? span.tick : saturated::Largest;
    return saturated::sum(span.tick, (time - span.time) / span.unitsPerTick);
}

int64_t wholeMilliseconds(const PlayingClock& clock, int64_t time) {
    return time / (clock.unitsPerMicrosecond() * MicrosecondsPerMillisecond);
}
