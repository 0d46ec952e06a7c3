#include "playing/mip_message.h"

#include <algorithm>

#include "playing/midi_kinds.h"
#include "smf/delta_time.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"

namespace {
constexpr int MipHeaderBytes = 4;  // the universal header before the pairs
}  // namespace

std::vector<uint8_t> spMidiMessage(const std::vector<SpMidiEntry>& entries) {
    if (entries.empty()) return {};
    uint8_t length[DeltaTime::MaxBytes];
    const int lengthBytes =
        encodeVarLen(static_cast<int32_t>(MipHeaderBytes + 2 * entries.size() + 1), length);
    std::vector<uint8_t> message;
    message.reserve(2 + DeltaTime::MaxBytes + MipHeaderBytes + 2 * entries.size());
    message.push_back(StatusSysEx);
    for (int i = 0; i < lengthBytes; ++i) message.push_back(length[i]);
    for (uint8_t b : {UniversalRealTime, AllDevices, SpMidiSubId, MipSubId}) message.push_back(b);
    for (const SpMidiEntry& entry : entries) {
        message.push_back(static_cast<uint8_t>(entry.channel & 0x0F));
        message.push_back(static_cast<uint8_t>(std::min(entry.mip, SpMidiMaxMip)));
    }
    message.push_back(EndOfExclusive);
    return message;
}

bool isSpMidiMipMessage(const uint8_t* event, int32_t n) {
    return sysExKind(event, n) == SysExKind::MipMessage;
}

std::vector<SpMidiEntry> spMidiMessageEntries(const uint8_t* event, int32_t n) {
    std::vector<SpMidiEntry> entries;
    EventBody body;
    if (!isSpMidiMipMessage(event, n) || !readEventBody(event, n, body)) return entries;
    for (int64_t at = MipHeaderBytes; at + 1 < body.size; at += 2) {
        const uint8_t channel = body.data[at];
        const uint8_t mip = body.data[at + 1];
        if (isStatusByte(channel) || isStatusByte(mip)) break;  // F7 or a status byte ends the pairs
        entries.push_back({channel & 0x0F, mip});
    }
    return entries;
}
