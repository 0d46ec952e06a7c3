#pragma once
#include <cstddef>
#include <cstdint>
#include <queue>
#include <vector>

#include "smf/event_decoding.h"

// The tracks of a Standard MIDI File in bytes, read together in playing
// order straight from the bytes: one cursor per track chunk, so a pass holds
// no more than a cursor per track and whatever it keeps of the tune itself.

// One event as a cursor decoded it: its bytes, status first.
struct TrackEvent {
    const uint8_t* bytes = nullptr;
    int32_t length = 0;
    int32_t kind = 0;  // EventKind

    bool matches(const uint8_t* pattern, int32_t n) const;
    // A note-on or note-off with both data bytes (a note-on of velocity 0 among them).
    bool isWholeNote() const;
};

// Where a track chunk's body is in the file: as the track reader finds it,
// other chunks skipped and an announced length cut to the bytes there are.
struct TrackBody {
    const uint8_t* bytes;
    int32_t length;
};

// The bodies of the track chunks the header announces, as many as are found.
// None for bytes without "MThd".
std::vector<TrackBody> trackBodies(const uint8_t* file, size_t size);

// A bounds-checked reader of one track body, in place: a cut-off event ends
// its track. Running status is the track's own.
class TrackCursor {
public:
    TrackCursor(TrackBody trackBody, int32_t trackIndex) : track(trackIndex), body(trackBody) {}

    // Steps to the next event; false at the track's end.
    bool next();
    // The current event, valid until the next step.
    TrackEvent event() const;

    int32_t track;
    int64_t tick = 0;  // of the current event, from the track's start

private:
    TrackBody body;
    int32_t position = 0;
    int32_t runningStatus = 0;
    BodyEvent decoded;
};

// Hands every event of every track to visitor.onEvent(track, tick, event) in
// playing order: by tick, at one tick the lower track first, each track in
// its own order. Every format plays its tracks together, as the handset
// synthesizer does (it does not read the format field). False when onEvent
// ended the walk by returning false.
template <class Visitor>
bool walkInPlayingOrder(const uint8_t* file, size_t size, Visitor& visitor) {
    const std::vector<TrackBody> bodies = trackBodies(file, size);
    std::vector<TrackCursor> cursors;
    cursors.reserve(bodies.size());
    for (size_t track = 0; track < bodies.size(); ++track)
        cursors.emplace_back(bodies[track], static_cast<int32_t>(track));
    // The cursor that plays next on top: earliest tick, then lowest track.
    const auto later = [&cursors](size_t a, size_t b) {
        const TrackCursor& x = cursors[a];
        const TrackCursor& y = cursors[b];
        return x.tick != y.tick ? x.tick > y.tick : x.track > y.track;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> next(later);
    for (size_t k = 0; k < cursors.size(); ++k)
        if (cursors[k].next()) next.push(k);
    while (!next.empty()) {
        const size_t k = next.top();
        next.pop();
        TrackCursor& cursor = cursors[k];
        if (!visitor.onEvent(cursor.track, cursor.tick, cursor.event())) return false;
        if (cursor.next()) next.push(k);
    }
    return true;
}
