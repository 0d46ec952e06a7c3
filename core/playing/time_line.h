#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pass/track_walk.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

// The notes of a file on the time lines it plays on, as the MIP measure and
// the handset check read them.

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

// Events of several tracks in time order; within a tick, track order is kept.
// Each track is in time order already, so neighbouring tracks are merged in
// pairs, the earlier one first on ties: n log(tracks) steps, not n log n.
template <class Event>
std::vector<Event> mergeTracks(const std::vector<std::vector<Event>>& tracks) {
    std::vector<Event> merged;
    std::vector<size_t> starts;  // where each track's events begin, then the end
    for (const std::vector<Event>& track : tracks) {
        starts.push_back(merged.size());
        merged.insert(merged.end(), track.begin(), track.end());
    }
    starts.push_back(merged.size());
    const auto at = [&](size_t track) { return merged.begin() + static_cast<std::ptrdiff_t>(starts[track]); };
    const auto byTick = [](const Event& a, const Event& b) { return a.tick < b.tick; };
    const size_t count = tracks.size();
    for (size_t width = 1; width < count; width *= 2)
        for (size_t first = 0; first + width < count; first += 2 * width)
            std::inplace_merge(at(first), at(first + width), at(std::min(first + 2 * width, count)), byTick);
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
