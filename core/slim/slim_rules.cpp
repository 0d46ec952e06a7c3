#include "slim/slim_rules.h"

#include <algorithm>

#include "playing/midi_kinds.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"

namespace {
// The data of an F0 or F7 event; empty for any other, or when the length is cut off.
EventBody sysExBody(const uint8_t* event, int32_t length) {
    EventBody body;
    const bool sysEx = length >= 1 && (event[0] == StatusSysEx || event[0] == StatusSysExContinuation);
    if (sysEx) readEventBody(event, length, body);
    return body;
}
}  // namespace

bool isSilentMeta(const uint8_t* event, int32_t length) {
    const int32_t type = metaTypeOf(event, length);
    if (type == NotMeta) return false;
    const MetaKind kind = metaKind(static_cast<uint8_t>(type));
    return (kind == MetaKind::Text && type != MetaCopyright) || kind == MetaKind::SequencerSpecific;
}

bool carriesDataOnly(const uint8_t* event, int32_t length) {
    const EventBody body = sysExBody(event, length);
    const uint8_t* end = body.data + body.size;
    if (body.size > 0 && end[-1] == EndOfExclusive) --end;
    return std::all_of(body.data, end, [](uint8_t byte) { return !isStatusByte(byte); });
}

bool endsSysExMessage(const uint8_t* event, int32_t length) {
    const EventBody body = sysExBody(event, length);
    return body.size >= 1 && body.data[body.size - 1] == EndOfExclusive;
}

bool hasSysExData(const uint8_t* event, int32_t length) {
    return sysExBody(event, length).size > 0;
}
