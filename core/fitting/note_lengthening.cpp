#include "fitting/note_lengthening.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "fitting/tempo_line.h"
#include "playing/tempo_map.h"

namespace {
constexpr const char* NotesLengthened = "-> Fit [%s]: %d notes lengthened to %d ms";
constexpr int64_t MicrosecondsPerMillisecond = 1000;
constexpr size_t NoEvent = SIZE_MAX;

bool isKeptNote(const FitTune& tune, const FitEvent& event) {
    const uint8_t* bytes = tune.bytesOf(event);
    return event.kept && (isNoteStart(bytes, event.length) || isNoteEnd(bytes, event.length));
}

size_t slotOf(const uint8_t* bytes) {
    return static_cast<size_t>(statusChannel(bytes[0]) * KeyCount + (bytes[1] & 0x7F));
}

// Per event, the next note event of its channel and key.
std::vector<size_t> nextNoteEvents(const FitTune& tune) {
    std::vector<size_t> next(tune.events.size(), NoEvent);
    std::vector<size_t> later(ChannelCount * KeyCount, NoEvent);
    for (size_t i = tune.events.size(); i-- > 0;) {
        if (!isKeptNote(tune, tune.events[i])) continue;
        const uint8_t* bytes = tune.bytesOf(tune.events[i]);
        next[i] = later[slotOf(bytes)];
        later[slotOf(bytes)] = i;
    }
    return next;
}

class NoteLengthener {
public:
    NoteLengthener(FitTune& tuneToFit, int32_t minimumMs)
        : tune(tuneToFit),
          clock(tuneToFit),
          minimum(int64_t{minimumMs} * tuneToFit.division * MicrosecondsPerMillisecond),
          next(nextNoteEvents(tuneToFit)) {}

    // Note-offs are moved only after the walk, each within the events up to
    // the next note of its key, so the pairing the walk sees stays.
    int32_t lengthen() {
        std::vector<std::pair<size_t, int64_t>> moves;
        for (size_t i = 0; i < tune.events.size(); ++i) {
            const FitEvent& event = tune.events[i];
            if (!isKeptNote(tune, event)) continue;
            const uint8_t* bytes = tune.bytesOf(event);
            std::vector<int64_t>& starts = sounding[slotOf(bytes)];
            if (isNoteStart(bytes, event.length)) {
                starts.push_back(clock.scaledTime(event.tick));
                continue;
            }
            const int64_t end = latestEndWithin(starts, i);
            if (end > event.tick) moves.emplace_back(i, end);
            starts.clear();
        }
        for (const auto& [index, tick] : moves) tune.events[index].tick = tick;
        tune.sortPlayingOrder();
        return lengthened;
    }

private:
    FitTune& tune;
    TempoLine clock;
    int64_t minimum;  // scaled
    std::vector<size_t> next;
    std::array<std::vector<int64_t>, ChannelCount * KeyCount> sounding;
    int32_t lengthened = 0;

    // Where the note-off of event index ends the most of its short notes
    // that can be lengthened, counting them; its own tick when none can.
    int64_t latestEndWithin(const std::vector<int64_t>& starts, size_t index) {
        const FitEvent& off = tune.events[index];
        const int64_t now = clock.scaledTime(off.tick);
        std::vector<int64_t> ends;
        for (const int64_t start : starts) {
            if (now == TempoMap::Saturated || now - start >= minimum) continue;
            const int64_t end = clock.earliestTickReaching(
                start > TempoMap::Saturated - minimum ? TempoMap::Saturated : start + minimum);
            if (playsBeforeNextNote(end, off, next[index])) ends.push_back(end);
        }
        lengthened += static_cast<int32_t>(ends.size());
        return ends.empty() ? off.tick : *std::max_element(ends.begin(), ends.end());
    }

    // At the next note's tick only from a track that plays there first.
    bool playsBeforeNextNote(int64_t tick, const FitEvent& off, size_t nextNote) const {
        if (tick == TempoMap::NeverReached) return false;
        if (nextNote == NoEvent) return true;
        const FitEvent& bound = tune.events[nextNote];
        return tick < bound.tick || (tick == bound.tick && off.track <= bound.track);
    }
};
}  // namespace

void lengthenShortNotes(FitTune& tune, const HandsetProfile& profile, FitChanges& changes) {
    if (!profile.minNoteMs || tune.division == 0 || (tune.division & SmpteDivisionBit) != 0) return;
    NoteLengthener lengthener(tune, *profile.minNoteMs);
    const int32_t lengthened = lengthener.lengthen();
    if (lengthened > 0) changes.add(NotesLengthened, {lengthened, *profile.minNoteMs});
}
