#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "playing/mip_message.h"

// All 16 channels in priority order: `given` first, then the percussion
// channel 9, then 0..8, then 10..15, each channel once.
std::vector<int> spMidiChannelOrder(const std::vector<int>& given);

// The MIP of every channel that has a note in the Standard MIDI File `file`,
// in priority order: the most voices the handset synthesizer spends at once on
// the channel and those before it (VoiceModel), every track on one clock as
// it plays them, format 2's too. The failure is a want of memory.
Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries);
