#include "smf/event_decoding.h"

#include "smf/byte_cursor.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
bool readsStatusEvent(ByteCursor& cursor, uint8_t status) {
    uint8_t byte = 0;
    if (status == StatusMeta || status == StatusSysEx || status == StatusSysExContinuation) {
        DeltaTime dataLength;
        return (status != StatusMeta || cursor.tryReadByte(byte)) && cursor.tryReadVarLen(dataLength) &&
               cursor.trySkip(dataLength.value);
    }
    return cursor.tryReadByte(byte) && (!hasTwoDataBytes(status) || cursor.tryReadByte(byte));
}

int32_t kindOfStatus(uint8_t status) {
    if (status == StatusMeta) return EVENT_META;
    if (status == StatusSysEx || status == StatusSysExContinuation) return EVENT_SYSEX;
    return EVENT_CHANNEL;
}

// Data bytes under running status (or under none: then they are read as a
// note-off's) go into built.
bool readsUnderRunningStatus(ByteCursor& cursor, uint8_t firstData, int32_t& runningStatus,
                             BodyEvent& event) {
    event.kind = EVENT_CHANNEL;
    int32_t status = runningStatus;
    if (!isStatusByte(status)) {
        event.kind = EVENT_NO_STATUS;
        status = StatusNoteOff;
    }
    event.statusOffset = -1;
    event.built[0] = static_cast<uint8_t>(status);
    event.built[1] = firstData;
    const bool twoBytes = hasTwoDataBytes(event.built[0]);
    event.length = twoBytes ? 3 : 2;
    if (twoBytes && !cursor.tryReadByte(event.built[2])) return false;
    runningStatus = status;
    return true;
}
}  // namespace

bool decodeAnyEvent(const uint8_t* body, int32_t length, int32_t& position, int32_t& runningStatus,
                    BodyEvent& decoded) {
    if (body == nullptr || position >= length) return false;
    ByteCursor cursor(body, length, position);
    uint8_t status = 0;
    bool complete = cursor.tryReadVarLen(decoded.delta) && cursor.tryReadByte(status);
    if (complete && isStatusByte(status)) {
        decoded.statusOffset = cursor.position() - 1;
        decoded.kind = kindOfStatus(status);
        complete = readsStatusEvent(cursor, status);
        if (complete && decoded.kind == EVENT_CHANNEL) runningStatus = status;
        decoded.length = cursor.position() - decoded.statusOffset;
    } else if (complete) {
        complete = readsUnderRunningStatus(cursor, status, runningStatus, decoded);
    }
    // A cut-off last event ends the track.
    position = complete ? cursor.position() : length;
    return complete;
}
