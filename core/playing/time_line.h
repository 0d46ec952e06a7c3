#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "playing/playing_walk.h"
#include "smf/midi_format.h"

// A time line: the events that play on one clock, in playing order. The
// notes as the counts of notes at once read them, and the merge of runs of
// events held in memory into playing order.

struct NoteEvent {
    int64_t tick;
    int32_t track;
    int channel;
    int key;
    bool on;  // a note-on of velocity 0 ends a note
};

// The note of an event: false for any other event.
inline bool noteOf(const TrackEvent& event, int32_t track, int64_t tick, NoteEvent& note) {
    if (!event.isWholeNote()) return false;
    const uint8_t* m = event.bytes;
    note = {tick, track, statusChannel(m[0]), m[1] & 0x7F, startsNote(m)};
    return true;
}

// Puts items, runs of which are each in tick order, into playing order: by
// tick, and within a tick the earlier run first, each run keeping its own
// order. starts holds where each run begins, then items.size(). Neighbouring
// runs are merged in pairs: n log(runs) steps, not n log n.
template <class Item, class TickOf>
void mergeRuns(std::vector<Item>& items, std::vector<size_t> starts, TickOf tickOf) {
    const auto byTick = [&tickOf](const Item& a, const Item& b) { return tickOf(a) < tickOf(b); };
    const auto at = [](std::vector<Item>& all, size_t index) {
        return all.begin() + static_cast<std::ptrdiff_t>(index);
    };
    std::vector<Item> merged(items.size());
    while (starts.size() > 2) {
        std::vector<size_t> mergedStarts;
        for (size_t run = 0; run + 1 < starts.size(); run += 2) {
            const size_t end = run + 2 < starts.size() ? starts[run + 2] : starts[run + 1];
            std::merge(at(items, starts[run]), at(items, starts[run + 1]), at(items, starts[run + 1]),
                       at(items, end), at(merged, starts[run]), byTick);
            mergedStarts.push_back(starts[run]);
        }
        mergedStarts.push_back(items.size());
        items.swap(merged);
        starts.swap(mergedStarts);
    }
}
