#include "handset/handset_reading.h"

#include <algorithm>

#include "handset/slim_rules.h"
#include "smf/delta_time.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
constexpr uint8_t FirstRealTime = 0xF8;

// Real-time bytes pass through a handset's reading of a message untouched.
bool isRealTime(uint8_t byte) {
    return byte >= FirstRealTime;
}

// The reader ends a variable-length quantity at its fourth byte; a handset
// reads on to the first byte below 80.
bool endsWhereAHandsetEndsIt(const uint8_t* quantity, int32_t available) {
    DeltaTime decoder;
    const int used = decoder.decode(quantity, available);
    return used < DeltaTime::MaxBytes || quantity[DeltaTime::MaxBytes - 1] < 0x80;
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
        if (!isRealTime(data[i])) return data[i] < 0x80;
    return false;
}
}  // namespace

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
    if (std::any_of(data, end, [](uint8_t byte) { return byte >= 0x80; })) alike = false;
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
    const SysExData data = sysExData(reader.event, reader.eventLength);
    if (reader.event[0] == StatusSysEx) {
        runningStatus = StatusSysEx;
        partMessage = false;
    } else if (startsWithData(data.bytes, data.length) && runningStatus != StatusSysEx) {
        alike = false;
    }
    takeStatusBytes(data.bytes, data.length);
}

void HandsetReading::takeStatusBytes(const uint8_t* data, int32_t length) {
    bool statusSeen = false;
    int32_t dataAfterStatus = 0;
    for (int32_t i = 0; i < length; ++i) {
        if (isRealTime(data[i])) continue;
        if (data[i] >= 0x80) {
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
