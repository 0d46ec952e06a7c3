#pragma once
#include <cstdint>

// Facts of the Standard MIDI File format and of MIDI messages, written once:
// chunk layout, header field offsets, status and meta bytes, status byte tests.

constexpr int ChunkHeaderSize = 8;  // tag and body length
constexpr int SmfHeaderSize = 14;   // "MThd", its length 6, then three 16-bit fields
constexpr int FormatOffset = 8;
constexpr int TrackCountOffset = 10;
constexpr int DivisionOffset = 12;
// A division with its top bit set counts SMPTE frames and their ticks, not quarter notes.
constexpr uint16_t SmpteDivisionBit = 0x8000;
// The largest delta time: a variable-length quantity has at most four bytes.
constexpr int64_t MaxDeltaTime = 0x0FFFFFFF;

constexpr int ChannelCount = 16;
constexpr int PercussionChannel = 9;  // 0-based: the General MIDI drum channel
constexpr int KeyCount = 128;

constexpr uint8_t StatusNoteOff = 0x80;
constexpr uint8_t StatusNoteOn = 0x90;
constexpr uint8_t StatusPolyPressure = 0xA0;
constexpr uint8_t StatusControlChange = 0xB0;
constexpr uint8_t StatusProgramChange = 0xC0;
constexpr uint8_t StatusChannelPressure = 0xD0;
constexpr uint8_t StatusPitchBend = 0xE0;
constexpr uint8_t StatusSysEx = 0xF0;
constexpr uint8_t StatusTimeCodeQuarterFrame = 0xF1;
constexpr uint8_t StatusSongSelect = 0xF3;
constexpr uint8_t StatusSysExContinuation = 0xF7;
constexpr uint8_t FirstRealTimeStatus = 0xF8;
constexpr uint8_t StatusMeta = 0xFF;

// The first data byte of a universal system exclusive message.
constexpr uint8_t UniversalNonRealTime = 0x7E;
constexpr uint8_t UniversalRealTime = 0x7F;
// A universal message's device ID that every device answers to.
constexpr uint8_t AllDevices = 0x7F;
// The two sub-IDs, after the device ID, of the universal messages passes tell apart.
constexpr uint8_t GeneralMidiSubId = 0x09;
constexpr uint8_t GmSystemOnSubId = 0x01;
constexpr uint8_t Gm2SystemOnSubId = 0x03;
constexpr uint8_t DeviceControlSubId = 0x04;
constexpr uint8_t MasterVolumeSubId = 0x01;
constexpr uint8_t SpMidiSubId = 0x0B;
constexpr uint8_t MipSubId = 0x01;

// Controller numbers.
constexpr uint8_t ControllerBankSelect = 0;
constexpr uint8_t ControllerDataEntry = 6;
constexpr uint8_t ControllerPan = 10;
constexpr uint8_t ControllerSustain = 64;
constexpr uint8_t ControllerLastMostSignificant = 31;
// A most significant controller's least significant twin is 32 above it.
constexpr uint8_t ControllerTwinDistance = 32;
constexpr uint8_t ControllerBankSelectLow = ControllerBankSelect + ControllerTwinDistance;
constexpr uint8_t ControllerDataEntryFine = ControllerDataEntry + ControllerTwinDistance;
constexpr uint8_t ControllerDataIncrement = 96;
constexpr uint8_t ControllerRegisteredParameterMsb = 101;
constexpr uint8_t FirstChannelModeController = 120;
constexpr uint8_t ControllerResetAll = 121;
constexpr uint8_t ControllerLocalControl = 122;

// Bank select MSB values that make a channel play drums or melodic sounds.
constexpr uint8_t DrumBankMsb = 0x78;
constexpr uint8_t MelodicBankMsb = 0x79;

// Meta event types.
constexpr uint8_t MetaSequenceNumber = 0x00;
constexpr uint8_t MetaText = 0x01;
constexpr uint8_t MetaCopyright = 0x02;
constexpr uint8_t MetaTrackName = 0x03;
constexpr uint8_t MetaInstrumentName = 0x04;
constexpr uint8_t MetaLyric = 0x05;
constexpr uint8_t MetaMarker = 0x06;
constexpr uint8_t MetaCuePoint = 0x07;
constexpr uint8_t MetaProgramName = 0x08;
constexpr uint8_t MetaDeviceName = 0x09;
constexpr uint8_t MetaChannelPrefix = 0x20;
constexpr uint8_t MetaPort = 0x21;
constexpr uint8_t MetaEndOfTrack = 0x2F;
constexpr uint8_t MetaSetTempo = 0x51;
constexpr uint8_t MetaSmpteOffset = 0x54;
constexpr uint8_t MetaTimeSignature = 0x58;
constexpr uint8_t MetaKeySignature = 0x59;
constexpr uint8_t MetaSequencerSpecific = 0x7F;
// The data lengths of the meta events the conversion matches whole.
constexpr uint8_t EndOfTrackLength = 0;
constexpr uint8_t SetTempoLength = 3;
constexpr uint8_t TimeSignatureLength = 4;

// The last data byte of a complete system exclusive message.
constexpr uint8_t EndOfExclusive = 0xF7;
constexpr int32_t DefaultTempo = 500000;  // microseconds per quarter note before any Set Tempo

// A status byte has its top bit set; a data byte has not. Also for a byte
// held in a wider integer, such as a running status.
template <class Byte>
constexpr bool isStatusByte(Byte value) {
    return (value & 0x80) != 0;
}
// The message type of a channel status: its high nibble.
constexpr uint8_t statusType(uint8_t status) {
    return static_cast<uint8_t>(status & 0xF0);
}
constexpr int statusChannel(uint8_t status) {
    return status & 0x0F;
}
constexpr bool isChannelStatus(int32_t status) {
    return status >= 0x80 && status <= 0xEF;
}
// Note-off and note-on: 0x80..0x9F.
constexpr bool isNoteStatus(uint8_t status) {
    return (status & 0xE0) == 0x80;
}
// Messages whose status high nibble is 8, 9, A, B or E carry two data bytes:
// one bit per nibble, since the reader asks for every event.
constexpr bool hasTwoDataBytes(uint8_t status) {
    constexpr unsigned TwoDataByteNibbles = 1u << 0x8 | 1u << 0x9 | 1u << 0xA | 1u << 0xB | 1u << 0xE;
    return (TwoDataByteNibbles >> (status >> 4)) & 1u;
}
// A note-on that starts a note: a note-on of velocity 0 ends one.
inline bool startsNote(const uint8_t* message) {
    return statusType(message[0]) == StatusNoteOn && message[2] != 0;
}

// Whether bit `bit` of mask is set: a channel of a channel mask, a kind of a kind mask.
constexpr bool bitIsSet(uint32_t mask, int bit) {
    return ((mask >> static_cast<uint32_t>(bit)) & 1u) != 0;
}
