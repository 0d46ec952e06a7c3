#include "fit/message_kinds.h"

#include "playing/midi_kinds.h"
#include "smf/midi_format.h"

namespace {
uint8_t bitOf(MessageKind kind) {
    return static_cast<uint8_t>(1u << static_cast<int>(kind));
}

// Words and a maker's data: bytes a handset never plays.
uint8_t metaKinds(const uint8_t* bytes, int32_t length) {
    if (length < 3) return 0;
    const MetaKind kind = metaKind(bytes[1]);
    return kind == MetaKind::Text || kind == MetaKind::SequencerSpecific ? bitOf(MessageKind::TextEvents) : 0;
}

uint8_t sysExKinds(const uint8_t* bytes, int32_t length) {
    const SysExKind kind = sysExKind(bytes, length);
    // The MIP message is SP-MIDI's own; GM System On only sets the synthesizer up.
    if (kind == SysExKind::MipMessage || kind == SysExKind::GmSystemOn) return 0;
    const uint8_t sysEx = bitOf(MessageKind::SysEx);
    return kind == SysExKind::MasterVolume ? static_cast<uint8_t>(sysEx | bitOf(MessageKind::MasterVolume))
                                           : sysEx;
}

uint8_t controllerKinds(uint8_t controller) {
    if (controller == ControllerPan) return bitOf(MessageKind::Pan);
    if (controller == ControllerBankSelect || controller == ControllerBankSelectLow)
        return bitOf(MessageKind::BankSelect);
    return 0;
}

uint8_t channelKinds(const uint8_t* bytes) {
    switch (statusType(bytes[0])) {
        case StatusPolyPressure:
            return bitOf(MessageKind::PolyPressure);
        case StatusControlChange:
            return controllerKinds(bytes[1]);
        case StatusChannelPressure:
            return bitOf(MessageKind::ChannelPressure);
        case StatusPitchBend:
            return bitOf(MessageKind::PitchBend);
        default:
            return 0;
    }
}
}  // namespace

uint8_t messageKindsOf(const uint8_t* bytes, int32_t length) {
    if (length < 1) return 0;
    const uint8_t status = bytes[0];
    if (status == StatusMeta) return metaKinds(bytes, length);
    if (status == StatusSysEx || status == StatusSysExContinuation) return sysExKinds(bytes, length);
    const bool whole = isChannelStatus(status) && length >= (hasTwoDataBytes(status) ? 3 : 2);
    return whole ? channelKinds(bytes) : 0;
}
