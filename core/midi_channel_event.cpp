#include "midi_channel_event.h"

#include <algorithm>
#include <cstring>

#include "describer_dump.h"
#include "text_appender.h"
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
            return describeNote(channel, false);
        case 0x9:
            return describeNote(channel, raw[2] != 0);
        case 0xB:
            return describeController(channel);
        default:
            return describeProgram(channel);
    }
}

void MIDIChannelEvent::takeLengths(const TextAppender& kind, const TextAppender& detail) {
    kindLength = kind.size();
    detailLength = detail.size();
    hasDetail = 1;
}

void MIDIChannelEvent::describeNote(int channel, bool isOn) {
    TextAppender kind(kindText, KindTextSize);
    kind.text(isOn ? "ON " : "OFF", 3);
    TextAppender detail(detailText, DetailTextSize);
    detail.text("Ch:").decimal(channel).text(" Note:");
    appendChannelNoteName(detail, channel, raw[1], 1);
    detail.character('(').hexByte(raw[1]).text(") Vel:").decimal(raw[2]);
    takeLengths(kind, detail);
}

void MIDIChannelEvent::describeController(int channel) {
    TextAppender kind(kindText, KindTextSize);
    kind.text("ContChg.");
    TextAppender detail(detailText, DetailTextSize);
    detail.text("Ch:").decimal(channel).character(' ');
    appendControllerName(detail, raw[1]);
    detail.text(" <= ").decimal(raw[2]);
    takeLengths(kind, detail);
}

void MIDIChannelEvent::describeProgram(int channel) {
    TextAppender kind(kindText, KindTextSize);
    kind.text("ProgChg.");
    TextAppender detail(detailText, DetailTextSize);
    detail.text("Ch:").decimal(channel).text(" Instrument:").decimal(raw[1]).character('.');
    appendInstrumentName(detail, raw[1]);
    takeLengths(kind, detail);
}

// The rare forms: their texts are measured.
void MIDIChannelEvent::setUnknown() {
    setHexDump(*this, "Error/Unknown");
    kindLength = static_cast<int32_t>(std::strlen(kindText));
    detailLength = static_cast<int32_t>(std::strlen(detailText));
}

void MIDIChannelEvent::setUnsupported() {
    setHexDump(*this, "No yet support");
    kindLength = static_cast<int32_t>(std::strlen(kindText));
    detailLength = static_cast<int32_t>(std::strlen(detailText));
}
