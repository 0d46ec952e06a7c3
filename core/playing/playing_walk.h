#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/event_decoding.h"
#include "smf/midi_format.h"

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
    bool isWholeNote() const { return length >= 3 && isNoteStatus(bytes[0]); }
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

    // Steps to the next event; false at the track's end. Inline, as every
    // event of every count takes this step.
    bool next() {
        if (!decodeEvent(body.bytes, body.length, position, runningStatus, decoded)) return false;
        tick += decoded.delta.value;
        return true;
    }
    // The current event, valid until the next step.
    TrackEvent event() const {
        const uint8_t* bytes = decoded.statusOffset < 0 ? decoded.built : body.bytes + decoded.statusOffset;
        return {bytes, decoded.length, decoded.kind};
    }

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
    // A heap of the cursors that wait, the one that plays next on top:
    // earliest tick, then lowest track.
    const auto later = [&cursors](size_t a, size_t b) {
        const TrackCursor& x = cursors[a];
        const TrackCursor& y = cursors[b];
        return x.tick != y.tick ? x.tick > y.tick : x.track > y.track;
    };
    std::vector<size_t> waiting;
    for (size_t k = 0; k < cursors.size(); ++k)
        if (cursors[k].next()) waiting.push_back(k);
    std::make_heap(waiting.begin(), waiting.end(), later);
    while (!waiting.empty()) {
        std::pop_heap(waiting.begin(), waiting.end(), later);
        const size_t k = waiting.back();
        waiting.pop_back();
        TrackCursor& cursor = cursors[k];
        // A track plays on without the heap while it stays first: chords and
        // events of one tick come in runs.
        bool more = true;
        do {
            if (!visitor.onEvent(cursor.track, cursor.tick, cursor.event())) return false;
            more = cursor.next();
        } while (more && (waiting.empty() || later(waiting.front(), k)));
        if (!more) continue;
        waiting.push_back(k);
        std::push_heap(waiting.begin(), waiting.end(), later);
    }
    return true;
}
