#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "midi_format.h"
#include "mtrk.h"
#include "track_walk.h"

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
template <class Event>
std::vector<Event> mergeTracks(const std::vector<std::vector<Event>>& tracks) {
    std::vector<Event> merged;
    for (const std::vector<Event>& track : tracks) merged.insert(merged.end(), track.begin(), track.end());
    std::stable_sort(merged.begin(), merged.end(),
                     [](const Event& a, const Event& b) { return a.tick < b.tick; });
    return merged;
}

// Formats 0 and 1 play all tracks together, on one time line; in format 2
// each track is a time line of its own.
template <class Event>
std::vector<std::vector<Event>> timeLines(int32_t format, const std::vector<std::vector<Event>>& tracks) {
    if (format == 2) return tracks;
    return {mergeTracks(tracks)};
}
