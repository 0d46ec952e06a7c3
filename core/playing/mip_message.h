#pragma once
#include <cstdint>
#include <vector>

// Scalable polyphony: the Maximum Instantaneous Polyphony (MIP) message tells a
// handset synthesizer of P voices to play only the channels whose MIP is at
// most P, so a tune loses whole parts on a small handset instead of notes
// stolen at random.

constexpr int SpMidiMaxMip = 127;  // a MIP value is one data byte

struct SpMidiEntry {
    int channel;
    int mip;  // at most SpMidiMaxMip
};

// The SysEx event bytes (F0, length, 7F 7F 0B 01, pairs, F7); empty for no entries.
std::vector<uint8_t> spMidiMessage(const std::vector<SpMidiEntry>& entries);

// True for an F0 SysEx event whose data is an SP-MIDI MIP message of any device.
bool isSpMidiMipMessage(const uint8_t* event, int32_t n);

// The channel and MIP pairs of such a message, in its order; empty for any
// other event. The pairs end at the first byte that is not a data byte.
std::vector<SpMidiEntry> spMidiMessageEntries(const uint8_t* event, int32_t n);
