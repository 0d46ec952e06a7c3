#include "report/midi_channel_event.h"

#include <algorithm>
#include <cstring>

#include "report/describer_dump.h"
#include "report/text_appender.h"
#include "report/vocabulary.h"
#include "smf/midi_format.h"

namespace {
// Bytes a channel message needs, status included; 0 for a status it does not name.
int32_t requiredLength(uint8_t type) {
    switch (type) {
        case StatusNoteOff:
        case StatusNoteOn:
        case StatusControlChange:
            return 3;
        case StatusProgramChange:
            return 2;
        default:
            return 0;
    }
}

bool isUnsupported(uint8_t type) {
    return type == StatusPolyPressure || type == StatusChannelPressure || type == StatusPitchBend;
}

// What a note's detail holds before its velocity: "Ch:c Note:NAME(HH) Vel:".
void appendNotePrefix(TextAppender& detail, int channel, int key) {
    detail.text("Ch:", 3).decimal(channel).text(" Note:");
    appendChannelNoteName(detail, channel, key, 1);
    detail.character('(').hexByte(static_cast<uint32_t>(key)).text(") Vel:");
}

// That text for every channel and key, made at first use: the report names a
// note on almost every line, and the text depends on nothing else.
struct NotePrefixTable {
    static constexpr int Slot = 64;  // "Ch:9 Note:", the longest drum name, "(HH) Vel:"
    char text[ChannelCount][KeyCount][Slot];
    uint8_t length[ChannelCount][KeyCount];

    NotePrefixTable() {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            for (int key = 0; key < KeyCount; ++key) {
                TextAppender prefix(text[channel][key], Slot);
                appendNotePrefix(prefix, channel, key);
                length[channel][key] = static_cast<uint8_t>(prefix.size());
            }
        }
    }
};

const NotePrefixTable& notePrefixes() {
    static const NotePrefixTable table;
    return table;
}

// A key byte with its top bit set (a damaged file) has no entry in the table.
void appendNoteDetail(TextAppender& detail, int channel, const uint8_t* bytes) {
    const int key = bytes[1];
    if (key < KeyCount) {
        const NotePrefixTable& prefixes = notePrefixes();
        detail.text(prefixes.text[channel][key], prefixes.length[channel][key]);
    } else {
        appendNotePrefix(detail, channel, key);
    }
    detail.decimal(bytes[2]);
}

void appendControllerDetail(TextAppender& detail, const uint8_t* bytes) {
    detail.character(' ');
    appendControllerName(detail, bytes[1]);
    detail.text(" <= ").decimal(bytes[2]);
}

void appendProgramDetail(TextAppender& detail, const uint8_t* bytes) {
    detail.text(" Instrument:").decimal(bytes[1]).character('.');
    appendInstrumentName(detail, bytes[1]);
}
}  // namespace

void MIDIChannelEvent::describe(const uint8_t* bytes, int32_t count) {
    length = hasNumber = hasDetail = 0;
    if (count < 0) count = 0;
    const int32_t copied = std::min(count, static_cast<int32_t>(RawSize));
    std::memset(raw, 0, sizeof raw);
    if (copied > 0) std::memcpy(raw, bytes, static_cast<size_t>(copied));
    length = copied;

    if (isUnsupported(statusType(raw[0]))) return setUnsupported();
    // A message cut short is not named: its missing data bytes would be invented.
    if (!isNamed(raw, count)) return setUnknown();
    TextAppender kind(kindText, KindTextSize);
    appendKind(kind, raw);
    TextAppender detail(detailText, DetailTextSize);
    appendDetail(detail, raw);
    takeLengths(kind, detail);
}

bool MIDIChannelEvent::isNamed(const uint8_t* bytes, int32_t count) {
    const int32_t needed = count > 0 ? requiredLength(statusType(bytes[0])) : 0;
    return needed != 0 && count >= needed;
}

void MIDIChannelEvent::appendKind(TextAppender& text, const uint8_t* bytes) {
    switch (statusType(bytes[0])) {
        case StatusNoteOff:
            text.text("OFF", 3);
            return;
        case StatusNoteOn:
            text.text(bytes[2] != 0 ? "ON " : "OFF", 3);
            return;
        case StatusControlChange:
            text.text("ContChg.", 8);
            return;
        default:
            text.text("ProgChg.", 8);
    }
}

void MIDIChannelEvent::appendDetail(TextAppender& text, const uint8_t* bytes) {
    const int channel = statusChannel(bytes[0]);
    switch (statusType(bytes[0])) {
        case StatusNoteOff:
        case StatusNoteOn:
            return appendNoteDetail(text, channel, bytes);
        case StatusControlChange:
            return appendControllerDetail(text.text("Ch:", 3).decimal(channel), bytes);
        default:
            return appendProgramDetail(text.text("Ch:", 3).decimal(channel), bytes);
    }
}

void MIDIChannelEvent::takeLengths(const TextAppender& kind, const TextAppender& detail) {
    kindLength = kind.size();
    detailLength = detail.size();
    hasDetail = 1;
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
