#include "playing/midi_kinds.h"

#include "smf/event_body.h"
#include "smf/midi_format.h"

namespace {
struct MetaRow {
    uint8_t type;
    MetaKind kind;
};

constexpr MetaRow MetaKinds[] = {
    {MetaText, MetaKind::Text},      {MetaCopyright, MetaKind::Text},
    {MetaTrackName, MetaKind::Text}, {MetaInstrumentName, MetaKind::Text},
    {MetaLyric, MetaKind::Text},     {MetaMarker, MetaKind::Text},
    {MetaCuePoint, MetaKind::Text},  {MetaSequencerSpecific, MetaKind::SequencerSpecific},
};

// A universal message is told by its first data byte and its two sub-IDs,
// which follow the device ID.
struct UniversalRow {
    uint8_t realTime;
    uint8_t subId1;
    uint8_t subId2;
    SysExKind kind;
};

constexpr UniversalRow UniversalKinds[] = {
    {UniversalNonRealTime, GeneralMidiSubId, GmSystemOnSubId, SysExKind::GmSystemOn},
    {UniversalNonRealTime, GeneralMidiSubId, Gm2SystemOnSubId, SysExKind::GmSystemOn},
    {UniversalRealTime, DeviceControlSubId, MasterVolumeSubId, SysExKind::MasterVolume},
    {UniversalRealTime, SpMidiSubId, MipSubId, SysExKind::MipMessage},
};
constexpr int UniversalHeaderBytes = 4;  // first byte, device ID, two sub-IDs

SysExKind universalKind(const EventBody& body) {
    if (body.size < UniversalHeaderBytes) return SysExKind::Universal;
    for (const UniversalRow& row : UniversalKinds)
        if (body.data[0] == row.realTime && body.data[2] == row.subId1 && body.data[3] == row.subId2)
            return row.kind;
    return SysExKind::Universal;
}
}  // namespace

MetaKind metaKind(uint8_t type) {
    for (const MetaRow& row : MetaKinds)
        if (row.type == type) return row.kind;
    return MetaKind::Other;
}

SysExKind sysExKind(const uint8_t* event, int32_t n) {
    if (n < 1 || event[0] != StatusSysEx) return SysExKind::Packet;
    EventBody body;
    const bool universal = readEventBody(event, n, body) && body.size >= 1 &&
                           (body.data[0] == UniversalNonRealTime || body.data[0] == UniversalRealTime);
    return universal ? universalKind(body) : SysExKind::Makers;
}
