#pragma once
#include <cstdint>

// Which events a handset never hears, told from their bytes (status first,
// as the track reader gives them).

// Text, names, lyrics, markers, cue points (01, 03 to 07) and
// sequencer-specific (7F) meta events. The copyright notice (02) stays: it is
// the owner's, whether a handset shows it or not.
bool isSilentMeta(const uint8_t* event, int32_t length);

// A SysEx event whose data bytes are all data (below 80), but for a last F7.
// A status byte inside would start a message of its own on the synthesizer.
bool carriesDataOnly(const uint8_t* event, int32_t length);

// A SysEx event whose data ends the message with F7; one that does not is
// continued by F7 packets.
bool endsSysExMessage(const uint8_t* event, int32_t length);

// A SysEx event with data bytes after its length.
bool hasSysExData(const uint8_t* event, int32_t length);
