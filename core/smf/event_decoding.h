#pragma once
#include <cstdint>

#include "smf/delta_time.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

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

// Decodes the event at position into decoded and moves position past it,
// updating the running status. False at the body's end or at a cut-off
// event, which ends the track: position is then the length, the running
// status is unchanged and decoded holds nothing of use.
bool decodeAnyEvent(const uint8_t* body, int32_t length, int32_t& position, int32_t& runningStatus,
                    BodyEvent& decoded);

// The same, with the common case inline: a one-byte delta time before a
// channel message (80 to EF), all of whose bytes are there. Every event of
// every pass is decoded here.
inline bool decodeEvent(const uint8_t* body, int32_t length, int32_t& position, int32_t& runningStatus,
                        BodyEvent& decoded) {
    constexpr int32_t LongestChannelEvent = 4;  // a delta byte, the status and two data bytes
    if (body == nullptr || length - position < LongestChannelEvent || isStatusByte(body[position]))
        return decodeAnyEvent(body, length, position, runningStatus, decoded);
    const uint8_t* at = body + position;
    const bool statusGiven = isStatusByte(at[1]);
    const int32_t status = statusGiven ? at[1] : runningStatus;
    if (!isChannelStatus(static_cast<uint8_t>(status)))
        return decodeAnyEvent(body, length, position, runningStatus, decoded);
    const bool twoBytes = hasTwoDataBytes(static_cast<uint8_t>(status));
    decoded.delta.source = at;
    decoded.delta.count = 1;
    decoded.delta.value = at[0];
    decoded.kind = EVENT_CHANNEL;
    decoded.length = twoBytes ? 3 : 2;
    if (statusGiven) {
        decoded.statusOffset = position + 1;
        position += 1 + decoded.length;
    } else {
        decoded.statusOffset = -1;
        decoded.built[0] = static_cast<uint8_t>(status);
        decoded.built[1] = at[1];
        decoded.built[2] = at[2];
        position += decoded.length;
    }
    runningStatus = status;
    return true;
}
