#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "playing/mip_message.h"
#include "playing/voice_model.h"

// All 16 channels in priority order: `given` first, then the percussion
// channel 9, then 0..8, then 10..15, each channel once.
std::vector<int> spMidiChannelOrder(const std::vector<int>& given);

// The MIP of every channel that has a note in the Standard MIDI File `file`,
// in priority order: the most voices the handset synthesizer spends at once on
// the channel and those before it (VoiceModel), every track on one clock as
// it plays them, format 2's too. The failure is a want of memory.
Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries);

// What the same play tells of the file once its MIP message leads it: the
// voices of a handset that ignores the message, and of one of each voice
// count that honours it. Known unless the file holds a MIP message of its
// own, or a GM System On unmutes a channel while it sounds: then such a
// handset plays otherwise than one play can tell.
struct MeasuredVoices {
    bool known = false;
    VoiceCount everyChannel;
    // Per priority prefix: the voices of its first k channels alone (none to all 16).
    VoiceCount prefixes[ChannelCount + 1];
    std::vector<int> order;

    // The peak of a handset of mipVoices voices that mutes the channels
    // whose MIP in entries is over them.
    VoiceCount mutingHandset(const std::vector<SpMidiEntry>& entries, int32_t mipVoices) const;
};
Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries, MeasuredVoices& voices);
