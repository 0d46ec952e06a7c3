#include "playing/handset_reading.h"

#include <algorithm>

#include "playing/midi_kinds.h"
#include "smf/delta_time.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// Real-time bytes pass through a handset's reading of a message untouched.
bool isRealTime(uint8_t value) {
    return value >= FirstRealTimeStatus;
}

// The reader ends a variable-length quantity at its fourth byte; a handset
// reads on to the first byte below 80.
bool endsWhereAHandsetEndsIt(const uint8_t* quantity, int32_t available) {
    DeltaTime decoder;
    const int used = decoder.decode(quantity, available);
    return used < DeltaTime::MaxBytes || !isStatusByte(quantity[DeltaTime::MaxBytes - 1]);
}

// The event's delta time, and the length of a meta or SysEx event.
bool quantitiesEndAlike(const MTrk& reader) {
    const DeltaTime& delta = reader.deltaTime;
    if (!endsWhereAHandsetEndsIt(delta.source, delta.count)) return false;
    if (reader.kind != EVENT_META && reader.kind != EVENT_SYSEX) return true;
    const int32_t lengthAt = reader.kind == EVENT_META ? 2 : 1;
    return endsWhereAHandsetEndsIt(reader.event + lengthAt, reader.eventLength - lengthAt);
}

bool startsWithData(const uint8_t* data, int32_t length) {
    for (int32_t i = 0; i < length; ++i)
        if (!isRealTime(data[i])) return !isStatusByte(data[i]);
    return false;
}
}  // namespace

bool endsTrackOnAHandset(const uint8_t* event, int32_t length) {
    return metaTypeOf(event, length) == MetaEndOfTrack;
}

bool readsAtAnotherLength(uint8_t status) {
    const bool system = status > StatusSysEx && status != StatusSysExContinuation && status != StatusMeta;
    return system && status != StatusTimeCodeQuarterFrame && status != StatusSongSelect;
}

void HandsetReading::read(const MTrk& reader) {
    if (!quantitiesEndAlike(reader)) alike = false;
    if (reader.kind == EVENT_CHANNEL || reader.kind == EVENT_NO_STATUS) readChannelMessage(reader);
    if (reader.kind == EVENT_SYSEX) readSysEx(reader);
}

// A data byte of 80 or more is a status to a handset. Running status is
// shared only where the handset holds the same status, with no message
// begun inside a SysEx event before it.
void HandsetReading::readChannelMessage(const MTrk& reader) {
    const uint8_t status = reader.event[0];
    const uint8_t* data = reader.event + 1;
    const uint8_t* end = reader.event + reader.eventLength;
    if (std::any_of(data, end, isStatusByte<uint8_t>)) alike = false;
    const bool statusImplied = reader.event == reader.builtEvent;
    if (statusImplied && (runningStatus != status || partMessage)) alike = false;
    // A system message ends running status on a handset.
    runningStatus = isChannelStatus(status) ? status : 0;
    partMessage = false;
}

// An F7 packet's first data continues an open message on a handset; under
// any other status it is a channel message's data, or nothing, as the
// events before it leave the handset, and slimming may change those.
void HandsetReading::readSysEx(const MTrk& reader) {
    EventBody body;
    readEventBody(reader.event, reader.eventLength, body);
    const auto length = static_cast<int32_t>(body.size);  // within the event
    if (reader.event[0] == StatusSysEx) {
        runningStatus = StatusSysEx;
        partMessage = false;
    } else if (startsWithData(body.data, length) && runningStatus != StatusSysEx) {
        alike = false;
    }
    takeStatusBytes(body.data, length);
}

void HandsetReading::takeStatusBytes(const uint8_t* data, int32_t length) {
    bool statusSeen = false;
    int32_t dataAfterStatus = 0;
    for (int32_t i = 0; i < length; ++i) {
        if (isRealTime(data[i])) continue;
        if (isStatusByte(data[i])) {
            runningStatus = data[i];
            statusSeen = true;
            dataAfterStatus = 0;
        } else {
            ++dataAfterStatus;
        }
    }
    const int32_t messageData = hasTwoDataBytes(runningStatus) ? 2 : 1;
    if (statusSeen) partMessage = isChannelStatus(runningStatus) && dataAfterStatus % messageData != 0;
}
