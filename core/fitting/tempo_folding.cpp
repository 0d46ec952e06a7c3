#include "fitting/tempo_folding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "playing/saturated.h"
#include "playing/tempo_map.h"
#include "smf/midi_format.h"

namespace {
constexpr const char* TemposFolded =
    "-> Fit [%s]: %d tempos folded into %d, division %d, every event within %s ms";
constexpr int32_t LargestDivision = 0x7FFF;
// A tick of at most a millisecond puts every time within half of one.
constexpr int64_t LongestTick = 1000;
constexpr double MicrosecondsPerMillisecond = 1000.0;

int64_t ceilingOf(int64_t dividend, int64_t divisor) {
    return (dividend + divisor - 1) / divisor;
}

// The nearest whole number to dividend / divisor, for divisor > 0.
int64_t nearestOf(int64_t dividend, int64_t divisor) {
    const int64_t twice = 2 * dividend + divisor;
    const int64_t wholes = twice / (2 * divisor);
    return twice % (2 * divisor) < 0 ? wholes - 1 : wholes;
}

// The tune's tempos event by event in playing order, as the check counts
// them: each Set Tempo after the first that changes the tempo in force.
class OldTempos {
public:
    explicit OldTempos(int32_t keptChanges) : limit(keptChanges) {}

    // Takes the next event; true when it is a Set Tempo, its value in tempo.
    bool take(const FitTune& tune, const FitEvent& event, int32_t& tempo) {
        if (!isCheckedSetTempo(tune.bytesOf(event), event.length, tempo)) {
            now = clock.scaledTime(event.tick);
            return false;
        }
        clock.change(event.tick, tempo);
        now = clock.scaledTime(event.tick);
        if (seen && tempo != inForce && ++changes > limit) folding = true;
        if (!folding) {
            held = tempo;
            if (!seen && event.tick > 0) slowestKept = DefaultTempo;
            slowestKept = std::max(slowestKept, tempo);
        }
        seen = true;
        inForce = tempo;
        return true;
    }

    int32_t limit;
    int64_t now = 0;  // the last event's time, microseconds times the old division
    int32_t changes = 0;
    bool folding = false;  // from the first change past the limit on
    int32_t held = DefaultTempo;
    int32_t slowestKept = 0;  // of the kept tempos, and the default one if it plays

private:
    TempoMap clock;
    bool seen = false;
    int32_t inForce = DefaultTempo;
};

// The smallest division that makes every tick of the new map rounded to
// last at most LongestTick: a multiple of the old one keeps the ticks of the
// kept tempos exact, so that only the held tempo counts.
int32_t foldedDivision(int32_t division, const OldTempos& tempos) {
    const int64_t times = std::max<int64_t>(1, ceilingOf(tempos.held, LongestTick * division));
    if (times * division <= LargestDivision) return static_cast<int32_t>(times * division);
    const int64_t needed = ceilingOf(std::max(tempos.held, tempos.slowestKept), LongestTick);
    return static_cast<int32_t>(std::clamp<int64_t>(needed, division, LargestDivision));
}

// A stretch of the new map from a kept Set Tempo (or the start) on.
struct NewSegment {
    int64_t oldTime;  // its start's, microseconds times the old division
    int64_t tick;
    // Its start's new time less its old time, in microseconds times both divisions.
    int64_t error;
    int32_t tempo;
    int32_t track;
};

struct Landing {
    int64_t tick;
    int64_t error;        // as NewSegment's
    double microseconds;  // the same, as a time
};

// Splitting the old time into whole quarter notes and the rest keeps every
// product within 64 bits: the rest times the new division is below 2^54.
class Retiming {
public:
    Retiming(int32_t oldDivision, int32_t newDivision)
        : oldTicks(oldDivision), newTicks(newDivision), segment{0, 0, 0, DefaultTempo, -1} {}

    // The nearest tick to oldTime, no earlier than the segment's start; a Set
    // Tempo of a lower track is put after the one it follows, as playing
    // order would otherwise swap them.
    Landing land(int64_t oldTime, int32_t track, bool isTempo) const {
        const int64_t elapsed = oldTime - segment.oldTime;
        if (segment.tempo == 0) return stopped(elapsed, isTempo && track < segment.track ? 1 : 0);
        const int64_t quarter = oldTicks * segment.tempo;
        const int64_t wholeTicks = saturated::product(elapsed / quarter, newTicks);
        const int64_t rest = elapsed % quarter * newTicks - segment.error;
        int64_t ticks = std::max<int64_t>(-wholeTicks, nearestOf(rest, quarter));
        if (wholeTicks == 0 && ticks == 0 && isTempo && track < segment.track) ticks = 1;
        const int64_t error = ticks * quarter - rest;
        return {saturated::sum(segment.tick, saturated::sum(wholeTicks, ticks)), error,
                asMicroseconds(static_cast<double>(error))};
    }

    void startSegment(int64_t oldTime, const Landing& at, int32_t tempo, int32_t track) {
        segment = {oldTime, at.tick, at.error, tempo, track};
    }

private:
    int64_t oldTicks;
    int64_t newTicks;
    NewSegment segment;

    double asMicroseconds(double error) const { return error / static_cast<double>(oldTicks * newTicks); }

    // A tempo of 0 holds the time at its start: every tick is as near.
    Landing stopped(int64_t elapsed, int64_t ticks) const {
        const double error =
            static_cast<double>(segment.error) - static_cast<double>(elapsed) * static_cast<double>(newTicks);
        return {segment.tick + ticks, segment.error, asMicroseconds(error)};
    }
};

std::string millisecondsText(double microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", microseconds / MicrosecondsPerMillisecond);
    return text;
}

// Ranks the events as they play now, so that the new ticks, which may bring
// events of one track to one tick, keep them in that order.
void rankInPlayingOrder(FitTune& tune) {
    tune.sortPlayingOrder();
    for (size_t index = 0; index < tune.events.size(); ++index)
        tune.events[index].order = static_cast<uint32_t>(index);
}

// Every event to its new tick, the Set Tempo events from the first folded on
// left out; the largest difference of time, in microseconds.
double retime(FitTune& tune, int32_t limit, int32_t newDivision) {
    OldTempos tempos(limit);
    Retiming retiming(tune.division, newDivision);
    double largestError = 0;
    for (FitEvent& event : tune.events) {
        int32_t tempo = 0;
        const bool isTempo = tempos.take(tune, event, tempo);
        if (isTempo && tempos.folding) {
            event.kept = false;
            continue;
        }
        const Landing landing = retiming.land(tempos.now, event.track, isTempo);
        event.tick = landing.tick;
        largestError = std::max(largestError, std::fabs(landing.microseconds));
        if (isTempo) retiming.startSegment(tempos.now, landing, tempo, event.track);
    }
    tune.division = static_cast<uint16_t>(newDivision);
    tune.sortPlayingOrder();
    return largestError;
}
}  // namespace

void foldTempos(FitTune& tune, const HandsetProfile& profile, FitChanges& changes) {
    if (!profile.maxTempoChanges || tune.division == 0 || (tune.division & SmpteDivisionBit) != 0) return;
    const int32_t limit = *profile.maxTempoChanges;
    OldTempos tempos(limit);
    for (const FitEvent& event : tune.events) {
        int32_t tempo = 0;
        if (event.kept) tempos.take(tune, event, tempo);
    }
    // A time past the clock's range cannot be kept.
    if (!tempos.folding || tempos.now == TempoMap::Saturated) return;
    const int32_t newDivision = foldedDivision(tune.division, tempos);
    rankInPlayingOrder(tune);
    const double largestError = retime(tune, limit, newDivision);
    changes.add(TemposFolded, {tempos.changes + 1, limit + 1, newDivision, millisecondsText(largestError)});
}
