#include "slim/slim_rules.h"

#include <algorithm>

#include "smf/delta_time.h"
#include "smf/midi_format.h"

namespace {
constexpr uint8_t MetaText = 0x01;
constexpr uint8_t MetaCuePoint = 0x07;
constexpr uint8_t MetaSequencerSpecific = 0x7F;
constexpr uint8_t MetaCopyright = 0x02;

constexpr uint8_t GeneralMidiSubId = 0x09;
constexpr uint8_t GeneralMidi1On = 0x01;
constexpr uint8_t GeneralMidi2On = 0x03;
constexpr uint8_t EndOfExclusive = 0xF7;
}  // namespace

bool isSilentMeta(const uint8_t* event, int32_t length) {
    if (length < 2 || event[0] != StatusMeta) return false;
    const uint8_t type = event[1];
    return (type >= MetaText && type <= MetaCuePoint && type != MetaCopyright) ||
           type == MetaSequencerSpecific;
}

SysExData sysExData(const uint8_t* event, int32_t length) {
    SysExData data;
    if (length < 2 || (event[0] != StatusSysEx && event[0] != StatusSysExContinuation)) return data;
    DeltaTime announced;
    const int used = announced.decode(event + 1, length - 1);
    if (used == 0) return data;
    data.bytes = event + 1 + used;
    data.length = static_cast<int32_t>(std::min<int64_t>(announced.value, length - 1 - used));
    return data;
}

bool isUniversalSysEx(const uint8_t* event, int32_t length) {
    if (length < 1 || event[0] != StatusSysEx) return false;
    const SysExData data = sysExData(event, length);
    return data.length >= 1 && (data.bytes[0] == UniversalNonRealTime || data.bytes[0] == UniversalRealTime);
}

bool isGmSystemOn(const uint8_t* event, int32_t length) {
    if (length < 1 || event[0] != StatusSysEx) return false;
    const SysExData data = sysExData(event, length);
    return data.length >= 4 && data.bytes[0] == UniversalNonRealTime && data.bytes[2] == GeneralMidiSubId &&
           (data.bytes[3] == GeneralMidi1On || data.bytes[3] == GeneralMidi2On);
}

bool carriesDataOnly(const uint8_t* event, int32_t length) {
    const SysExData data = sysExData(event, length);
    const uint8_t* end = data.bytes + data.length;
    if (data.length > 0 && end[-1] == EndOfExclusive) --end;
    return std::all_of(data.bytes, end, [](uint8_t byte) { return byte < 0x80; });
}

bool endsSysExMessage(const uint8_t* event, int32_t length) {
    const SysExData data = sysExData(event, length);
    return data.length >= 1 && data.bytes[data.length - 1] == EndOfExclusive;
}
