#pragma once
#include <cstddef>
#include <cstdint>

#include "playing/voice_model.h"

// Plays the Standard MIDI File in bytes through a voice model, every track
// together as the handset synthesizer plays them (format 2's too), and
// returns it finished. Bytes that are no such file play nothing.
VoiceModel playVoiceModel(const uint8_t* file, size_t size, int32_t mipVoices = NoMipMuting,
                          VoiceCountListener* listener = nullptr);
// The same, through a model made by the caller.
void playVoiceModel(const uint8_t* file, size_t size, VoiceModel& model);
