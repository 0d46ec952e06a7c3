#include "report/midi_meta_event.h"

#include <algorithm>
#include <cstring>

#include "convert/convert_options.h"
#include "report/describer_dump.h"
#include "report/text_appender.h"
#include "report/vocabulary.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"

namespace {
constexpr int32_t MicrosecondsPerMinute = 60000000;

// The report's own names of the text types: the texts of its lines.
const char* const TEXT_KINDS[] = {"TEXT",   "Copyright", "Title",   "Instruments", "Words",
                                  "Marker", "Que Point", "Program", "Device"};
constexpr int FirstTextType = MetaText;
constexpr int LastTextType = MetaDeviceName;
}  // namespace

void MIDIMetaEvent::clear() {
    hasDetail = hasNumber = length = number = 0;
    raw[0] = 0;
    kindText[0] = 0;
    detailText[0] = 0;
}

void MIDIMetaEvent::describe(const uint8_t* bytes, int32_t count) {
    hasNumber = hasDetail = 0;
    length = 0;
    if (count <= 0 || bytes[0] != StatusMeta) return;
    length = std::min(count, static_cast<int32_t>(RawSize));
    std::memcpy(raw, bytes, static_cast<size_t>(length));
    if (!decodeLength()) return setUnknown();
    describeType(raw[1]);
}

bool MIDIMetaEvent::decodeLength() {
    EventBody body;
    if (!readEventBody(raw, length, body)) return false;
    dataLength = body.announced;
    dataOffset = static_cast<int32_t>(body.data - raw);
    return true;
}

// The type's fixed length was announced, and its data bytes are all there.
bool MIDIMetaEvent::hasData(uint32_t expected) const {
    return dataLength == expected && static_cast<uint32_t>(length - dataOffset) >= expected;
}

void MIDIMetaEvent::describeType(int type) {
    if (type >= FirstTextType && type <= LastTextType) return describeText(type);
    switch (type) {
        case MetaSequenceNumber:
            return describeSequenceNumber();
        case MetaChannelPrefix:
            return describeByteNumber("Channel Prefix");
        case MetaPort:
            return describeByteNumber("Port");
        case MetaEndOfTrack:
            return describeEndOfTrack();
        case MetaSetTempo:
            return describeTempo();
        case MetaTimeSignature:
            return describeTimeSignature();
        case MetaKeySignature:
            return describeKeySignature();
        case MetaSmpteOffset:
        case MetaSequencerSpecific:
            return setUnsupported();
        default:
            return setUnknown();
    }
}

// Every byte after the length bytes, cut to what the detail field holds; the
// length itself is not compared with the byte count.
void MIDIMetaEvent::describeText(int type) {
    TextAppender(kindText, KindTextSize).text(TEXT_KINDS[type - FirstTextType]);
    const int32_t available = std::min(length - dataOffset, static_cast<int32_t>(DetailTextSize - 1));
    std::memcpy(detailText, raw + dataOffset, static_cast<size_t>(available));
    detailText[available] = 0;
    hasDetail = 1;
}

void MIDIMetaEvent::setNumber(const char* kind, int32_t value) {
    TextAppender(kindText, KindTextSize).text(kind);
    number = value;
    hasNumber = 1;
}

void MIDIMetaEvent::describeSequenceNumber() {
    if (!hasData(2)) return setUnknown();
    converter.set(raw + dataOffset, 2);
    setNumber("Seq No.", static_cast<int32_t>(converter.toWord()));
}

void MIDIMetaEvent::describeByteNumber(const char* kind) {
    if (!hasData(1)) return setUnknown();
    setNumber(kind, raw[dataOffset]);
}

void MIDIMetaEvent::describeEndOfTrack() {
    if (!hasData(0)) return setUnknown();
    TextAppender(kindText, KindTextSize).text("End of track");
}

// A tempo of 0 microseconds has no quarter notes per minute; it shows 0.
void MIDIMetaEvent::describeTempo() {
    if (!hasData(3)) return setUnknown();
    converter.set(raw + dataOffset, 3);
    const int32_t microseconds = static_cast<int32_t>(converter.toTriple());
    setNumber("Tempo", microseconds);
    const int32_t perMinute = microseconds == 0 ? 0 : MicrosecondsPerMinute / microseconds;
    TextAppender(detailText, DetailTextSize).text("tempo=").decimal(perMinute);
    hasDetail = 1;
}

void MIDIMetaEvent::describeTimeSignature() {
    if (!hasData(4)) return setUnknown();
    const uint8_t* data = raw + dataOffset;
    TextAppender(kindText, KindTextSize).text("Metronome");
    TextAppender(detailText, DetailTextSize)
        .decimal(signedByte(data[0]))
        .character('/')
        .decimal(powerOfTwo(signedByte(data[1])))
        .character(' ')
        .decimal(signedByte(data[2]))
        .text("MIDIclk=1/4note. 1/32notex")
        .decimal(signedByte(data[3]))
        .text("=1/4note.");
    hasDetail = 1;
}

void MIDIMetaEvent::describeKeySignature() {
    if (!hasData(2)) return setUnknown();
    TextAppender(kindText, KindTextSize).text("Tune");
    keyName(raw[dataOffset], raw[dataOffset + 1], detailText);
    hasDetail = 1;
}

void MIDIMetaEvent::setUnknown() {
    setHexDump(*this, "Error/Unknown");
}

void MIDIMetaEvent::setUnsupported() {
    setHexDump(*this, "No yet support");
}
