#include "midi_channel_event.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "describer_dump.h"
#include "vocabulary.h"

namespace {
// Bytes a channel message needs, status included; 0 for a status it does not name.
int32_t requiredLength(int nibble) {
    switch (nibble) {
        case 0x8:
        case 0x9:
        case 0xB:
            return 3;
        case 0xC:
            return 2;
        default:
            return 0;
    }
}

bool isUnsupported(int nibble) {
    return nibble == 0xA || nibble == 0xD || nibble == 0xE;
}
}  // namespace

void MIDIChannelEvent::describe(const uint8_t* bytes, int32_t count) {
    length = hasNumber = hasDetail = 0;
    if (count < 0) count = 0;
    const int32_t copied = std::min(count, static_cast<int32_t>(RawSize));
    std::memset(raw, 0, sizeof raw);
    if (copied > 0) std::memcpy(raw, bytes, static_cast<size_t>(copied));
    length = copied;

    const int nibble = raw[0] >> 4;
    const int channel = raw[0] & 0x0F;
    if (isUnsupported(nibble)) return setUnsupported();
    const int32_t needed = requiredLength(nibble);
    // A message cut short is not named: its missing data bytes would be invented.
    if (needed == 0 || count < needed) return setUnknown();
    switch (nibble) {
        case 0x8:
            return describeNote(channel, "OFF");
        case 0x9:
            return describeNote(channel, raw[2] == 0 ? "OFF" : "ON ");
        case 0xB:
            return describeController(channel);
        default:
            return describeProgram(channel);
    }
}

void MIDIChannelEvent::describeNote(int channel, const char* kind) {
    std::snprintf(kindText, sizeof kindText, "%s", kind);
    std::snprintf(detailText, sizeof detailText, "Ch:%d Note:%s(%02X) Vel:%d", channel,
                  channelNoteName(channel, raw[1], 1), raw[1], raw[2]);
    hasDetail = 1;
}

void MIDIChannelEvent::describeController(int channel) {
    std::snprintf(kindText, sizeof kindText, "ContChg.");
    std::snprintf(detailText, sizeof detailText, "Ch:%d %s <= %d", channel, controllerName(raw[1]), raw[2]);
    hasDetail = 1;
}

void MIDIChannelEvent::describeProgram(int channel) {
    std::snprintf(kindText, sizeof kindText, "ProgChg.");
    std::snprintf(detailText, sizeof detailText, "Ch:%d Instrument:%d.%s", channel, raw[1],
                  instrumentName(raw[1]));
    hasDetail = 1;
}

void MIDIChannelEvent::setUnknown() {
    setHexDump(*this, "Error/Unknown");
}

void MIDIChannelEvent::setUnsupported() {
    setHexDump(*this, "No yet support");
}
