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
}  // namespace

bool decodeEvent(const uint8_t* body, int32_t length, int32_t& position, int32_t& runningStatus,
                 BodyEvent& decoded) {
    if (body == nullptr || position >= length) return false;
    ByteCursor cursor(body, length, position);
    BodyEvent event;
    uint8_t status = 0;
    bool complete = cursor.tryReadVarLen(event.delta) && cursor.tryReadByte(status);
    int32_t newRunningStatus = runningStatus;
    if (complete && isStatusByte(status)) {
        event.statusOffset = cursor.position() - 1;
        event.kind = kindOfStatus(status);
        if (event.kind == EVENT_CHANNEL) newRunningStatus = status;
        complete = readsStatusEvent(cursor, status);
        event.length = cursor.position() - event.statusOffset;
    } else if (complete) {
        event.kind = EVENT_CHANNEL;
        if (!isStatusByte(newRunningStatus)) {
            event.kind = EVENT_NO_STATUS;
            newRunningStatus = StatusNoteOff;  // the data bytes are read as a note-off's
        }
        event.built[0] = static_cast<uint8_t>(newRunningStatus);
        event.built[1] = status;
        const bool twoBytes = hasTwoDataBytes(event.built[0]);
        complete = !twoBytes || cursor.tryReadByte(event.built[2]);
        event.length = twoBytes ? 3 : 2;
    }
    if (!complete) {
        position = length;  // a cut-off last event ends the track
        return false;
    }
    position = cursor.position();
    runningStatus = newRunningStatus;
    decoded = event;
    return true;
}
