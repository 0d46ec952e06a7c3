#pragma once
#include <cstdint>

#include "smf/delta_time.h"

// The next event of a track body, decoded in place: the track reader and the
// merge of track cursors share it, so both read a damaged track alike.
struct BodyEvent {
    DeltaTime delta;
    int32_t kind = 0;  // EventKind
    // Where the event's bytes begin in the body, status first; -1 when running
    // status supplied the status byte and the bytes are in built.
    int32_t statusOffset = -1;
    int32_t length = 0;
    uint8_t built[4] = {};
};

// Decodes the event at position and moves position past it, updating the
// running status. False at the body's end or at a cut-off event, which ends
// the track: position is then the length.
bool decodeEvent(const uint8_t* body, int32_t length, int32_t& position, int32_t& runningStatus,
                 BodyEvent& decoded);
