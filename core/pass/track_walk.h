#pragma once
#include <cstdint>

#include "pass/file_pass.h"
#include "smf/mtrk.h"

// Where a walk is: the 0-based track, and the ticks from the track's start to
// the current event (its delta time included).
struct WalkPosition {
    int32_t track = 0;
    int64_t tick = 0;
};

// The hooks a walk calls. A visitor derives from this and hides only the
// hooks it needs (the walk is a template: no virtual calls). Every hook
// returns false to end the walk there.
struct TrackVisitor {
    // After the header bytes are read, before any track.
    bool onHeader(FilePass&) { return true; }
    // Before a track's events; loaded is false when no track chunk could be loaded.
    bool beginTrack(const WalkPosition&, bool /*loaded*/) { return true; }
    // Each event of the track, as the reader decoded it; the bytes may be changed in place.
    bool onEvent(MTrk&, const WalkPosition&) { return true; }
    // After the track's last event.
    bool endTrack(const WalkPosition&, bool /*loaded*/) { return true; }
};

// The one walk over a file: begins the pass, then for each of the header's
// tracks loads the next track chunk and delivers its events in order. False
// when a hook ended it.
template <class Visitor>
bool walkFile(FilePass& pass, Visitor& visitor) {
    beginFilePass(pass);
    if (!visitor.onHeader(pass)) return false;
    WalkPosition at;
    for (at.track = 0; at.track < pass.header.trackCount; ++at.track) {
        at.tick = 0;
        const bool loaded = pass.reader.load(pass.file) != 0;
        if (!visitor.beginTrack(at, loaded)) return false;
        while (loaded && pass.reader.nextEvent() > 0) {
            at.tick += pass.reader.delta;
            if (!visitor.onEvent(pass.reader, at)) return false;
        }
        if (!visitor.endTrack(at, loaded)) return false;
    }
    return true;
}
