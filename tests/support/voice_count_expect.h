#pragma once
#include <gtest/gtest.h>

#include "playing/voice_model.h"
#include "smf/midi_format.h"

// Two counts of voices agree in every figure a finding prints.
inline void expectSameVoiceCount(const VoiceCount& found, const VoiceCount& expected) {
    EXPECT_EQ(found.voices, expected.voices);
    EXPECT_EQ(found.notes, expected.notes);
    EXPECT_EQ(found.track, expected.track);
    EXPECT_EQ(found.tick, expected.tick);
    for (int c = 0; c < ChannelCount; ++c) EXPECT_EQ(found.channelVoices[c], expected.channelVoices[c]) << c;
}
