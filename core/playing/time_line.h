#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "pass/track_walk.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

// A time line: the events that play on one clock, in playing order. The
// notes of a file on its time lines, as the MIP measure and the handset check
// read them, and the one merge of tracks into playing order.

struct NoteEvent {
    int64_t tick;
    int32_t track;
    int channel;
    int key;
    bool on;  // a note-on of velocity 0 ends a note
};

using NoteTrack = std::vector<NoteEvent>;

// The notes of every track chunk that could be loaded, each on its own clock.
class NoteCollector : public TrackVisitor {
public:
    std::vector<NoteTrack> tracks;
    bool hasNote[ChannelCount] = {};

    bool beginTrack(const WalkPosition& at, bool loaded);
    bool onEvent(const MTrk& reader, const WalkPosition& at);
};

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

// Events of several tracks in playing order.
template <class Event>
std::vector<Event> mergeTracks(const std::vector<std::vector<Event>>& tracks) {
    std::vector<Event> merged;
    std::vector<size_t> starts;
    for (const std::vector<Event>& track : tracks) {
        starts.push_back(merged.size());
        merged.insert(merged.end(), track.begin(), track.end());
    }
    starts.push_back(merged.size());
    mergeRuns(merged, std::move(starts), [](const Event& event) { return event.tick; });
    return merged;
}

// Formats 0 and 1 play all tracks together, on one time line; in format 2
// each track is a time line of its own.
template <class Event>
std::vector<std::vector<Event>> timeLines(int32_t format, std::vector<std::vector<Event>> tracks) {
    if (format == 2) return tracks;
    std::vector<std::vector<Event>> line;
    line.push_back(mergeTracks(tracks));
    return line;
}
