#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Scalable polyphony: the Maximum Instantaneous Polyphony (MIP) message tells a
// handset synthesizer of P voices to play only the channels whose MIP is at
// most P, so a tune loses whole parts on a small handset instead of notes
// stolen at random.

constexpr int SpMidiMaxMip = 127;  // a MIP value is one data byte

struct SpMidiSettings {
    // Write the MIP message, measured on the converted tune, first in the
    // first track; source MIP messages are left out.
    int32_t enabled = 0;
    // Channels named by the user, highest priority first; the rest follow
    // in the default order.
    std::vector<int> priority;
};

struct SpMidiEntry {
    int channel;
    int mip;  // at most SpMidiMaxMip
};

// All 16 channels in priority order: `given` first, then the percussion
// channel 9, then 0..8, then 10..15, each channel once.
std::vector<int> spMidiChannelOrder(const std::vector<int>& given);

// The channel digits after -S: each a hexadecimal digit, no channel twice.
// False (and `given` untouched) when the text does not have that form.
bool parseSpMidiPriority(const char* digits, std::vector<int>& given);

// The MIP of every channel that has a note in the Standard MIDI File `file`,
// in priority order. Formats 0 and 1 share one time line, format 2 takes the
// largest value over its tracks.
std::vector<SpMidiEntry> computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given);

// The SysEx event bytes (F0, length, 7F 7F 0B 01, pairs, F7); empty for no entries.
std::vector<uint8_t> spMidiMessage(const std::vector<SpMidiEntry>& entries);

// True for an F0 SysEx event whose data is an SP-MIDI MIP message of any device.
bool isSpMidiMipMessage(const uint8_t* event, int32_t n);

// The channel and MIP pairs of such a message, in its order; empty for any
// other event. The pairs end at the first byte that is not a data byte.
std::vector<SpMidiEntry> spMidiMessageEntries(const uint8_t* event, int32_t n);

// True when the conversion leaves this source event out: a MIP message while
// SP-MIDI output is on, so that the output carries exactly one.
bool spMidiLeavesOut(const SpMidiSettings& settings, int32_t kind, const uint8_t* event, int32_t n);
