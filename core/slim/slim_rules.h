#pragma once
#include <cstdint>

// Which events a handset never hears, told from their bytes (status first,
// as the track reader gives them).

// Text, names, lyrics, markers, cue points (01, 03 to 07) and
// sequencer-specific (7F) meta events. The copyright notice (02) stays.
bool isSilentMeta(const uint8_t* event, int32_t length);

// The data of an F0 or F7 SysEx event, after its length.
struct SysExData {
    const uint8_t* bytes = nullptr;
    int32_t length = 0;
};
// Empty when the length is cut off.
SysExData sysExData(const uint8_t* event, int32_t length);

// An F0 message for every maker's device: its first data byte is 7E (non-real
// time) or 7F (real time).
bool isUniversalSysEx(const uint8_t* event, int32_t length);

// GM or GM2 system on (7E, any device, 09 01 or 09 03): the receiver resets
// every channel.
bool isGmSystemOn(const uint8_t* event, int32_t length);

// A SysEx event whose data bytes are all data (below 80), but for a last F7.
// A status byte inside would start a message of its own on the synthesizer.
bool carriesDataOnly(const uint8_t* event, int32_t length);

// A SysEx event whose data ends the message with F7; one that does not is
// continued by F7 packets.
bool endsSysExMessage(const uint8_t* event, int32_t length);
