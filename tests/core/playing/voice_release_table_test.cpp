// The voice table answers for the sound a channel plays, as the synthesizer
// chooses it, and for the band the time held falls in, edges included; the
// figures are the synthesizer's own, as measured into the table.
#include "playing/voice_release_table.h"

#include <gtest/gtest.h>

namespace {
constexpr ChannelSound Piano{false, 0};
constexpr ChannelSound Organ{false, 16};
constexpr ChannelSound Kit{true, 0};
}  // namespace

TEST(VoiceClock, AMillisecondBelongsToTheBufferThatStartsAtOrBeforeIt) {
    EXPECT_EQ(voiceBufferAt(0), 0);
    EXPECT_EQ(voiceBufferAt(4), 0);
    EXPECT_EQ(voiceBufferAt(5), 1);  // buffer 1 starts at 5.8 ms, taken from 5
    EXPECT_EQ(voiceBufferAt(10), 1);
    EXPECT_EQ(voiceBufferAt(11), 2);
    EXPECT_EQ(voiceBufferAt(1722), 296);
    EXPECT_EQ(voiceBufferAt(1723), 297);
    EXPECT_EQ(voiceBufferAt(600000), 103364);
}

// A buffer plays the events from its first millisecond to the next buffer's.
TEST(VoiceClock, ABuffersMillisecondsAreThoseFromItsStartToTheNextOnes) {
    EXPECT_EQ(voiceBufferStart(0), 0);
    EXPECT_EQ(voiceBufferStart(1), 5);
    EXPECT_EQ(voiceBufferStart(297), 1723);
    for (int64_t buffer = 0; buffer <= 103364; ++buffer) {
        ASSERT_EQ(voiceBufferAt(voiceBufferStart(buffer)), buffer);
        ASSERT_EQ(voiceBufferAt(voiceBufferStart(buffer + 1) - 1), buffer);
    }
}

TEST(VoiceHeldBands, EachHeldTimeFallsInTheBandThatStartsAtOrBeforeIt) {
    EXPECT_EQ(heldBandOf(-3), 0);
    EXPECT_EQ(heldBandOf(0), 0);
    EXPECT_EQ(heldBandOf(1), 1);
    EXPECT_EQ(heldBandOf(5), 4);
    EXPECT_EQ(heldBandOf(6), 5);
    EXPECT_EQ(heldBandOf(688), 18);
    EXPECT_EQ(heldBandOf(689), 19);
    EXPECT_EQ(heldBandOf(5167), 25);
    EXPECT_EQ(heldBandOf(5168), 26);
    EXPECT_EQ(heldBandOf(1 << 30), 26);
}

TEST(VoiceChannelSound, TheBankBeforeAProgramChangeChoosesKitOrProgramAsTheSynthesizerDoes) {
    EXPECT_EQ(channelSoundAtStart(9), Kit);
    EXPECT_EQ(channelSoundAtStart(0), Piano);
    EXPECT_EQ(channelSoundAtStart(10), Piano);
    EXPECT_EQ(soundAfterProgramChange(Piano, 0x78, 33), Kit);
    EXPECT_EQ(soundAfterProgramChange(Kit, 0x79, 33), (ChannelSound{false, 33}));
    // Every other bank keeps the channel what it was: an unknown melodic bank
    // plays the program of bank 0, a drum channel the one kit.
    EXPECT_EQ(soundAfterProgramChange(Piano, 0x00, 33), (ChannelSound{false, 33}));
    EXPECT_EQ(soundAfterProgramChange(Piano, 0x05, 33), (ChannelSound{false, 33}));
    EXPECT_EQ(soundAfterProgramChange(Piano, 0x7F, 200), (ChannelSound{false, 72}));
    EXPECT_EQ(soundAfterProgramChange(Kit, 0x00, 40), Kit);
    EXPECT_EQ(soundAfterProgramChange(Kit, 0x7F, 40), Kit);
}

TEST(VoiceCost, APianoNoteReleasesMoreQuicklyTheLongerItWasHeld) {
    const NoteVoiceCost early = noteVoiceCost(Piano, 60, 0);
    EXPECT_EQ(early.voices, 1);
    EXPECT_EQ(early.naturalBuffers, 684);
    EXPECT_EQ(early.releaseBuffers, 82);
    EXPECT_EQ(noteVoiceCost(Piano, 60, 1).releaseBuffers, 82);
    EXPECT_EQ(noteVoiceCost(Piano, 60, 516).releaseBuffers, 51);
    EXPECT_EQ(noteVoiceCost(Piano, 60, 517).releaseBuffers, 35);
    // Past its natural end the note has no voice left to release.
    EXPECT_EQ(noteVoiceCost(Piano, 60, 700).releaseBuffers, 0);
    // The lowest and highest keys with a sample, and those without one.
    EXPECT_EQ(noteVoiceCost(Piano, 21, 0).voices, 1);
    EXPECT_EQ(noteVoiceCost(Piano, 108, 0).voices, 1);
    EXPECT_EQ(noteVoiceCost(Piano, 20, 0).voices, 0);
    EXPECT_EQ(noteVoiceCost(Piano, 109, 0).voices, 0);
}

TEST(VoiceCost, AnOrganHoldsItsVoiceUntilReleasedAndFreesItAtOnce) {
    const NoteVoiceCost organ = noteVoiceCost(Organ, 60, 3000);
    EXPECT_EQ(organ.naturalBuffers, NoNaturalEnd);
    EXPECT_EQ(organ.releaseBuffers, 1);
    EXPECT_EQ(voiceFreeBuffer(Organ, 60, 100, 100000), 100001);
}

TEST(VoiceCost, EachDrumKeyHasItsOwnLengths) {
    EXPECT_EQ(noteVoiceCost(Kit, 36, 0).naturalBuffers, 7);    // the kick
    EXPECT_EQ(noteVoiceCost(Kit, 46, 0).naturalBuffers, 355);  // the open hi-hat
    EXPECT_EQ(noteVoiceCost(Kit, 26, 0).voices, 0);
    EXPECT_EQ(noteVoiceCost(Kit, 88, 0).voices, 0);
    // Out-of-range keys are the nearest key's.
    EXPECT_EQ(noteVoiceCost(Kit, 300, 0).voices, 0);
}

TEST(VoiceFree, AReleaseBeforeTheNaturalEndDecidesEvenWhenItEndsLater) {
    // The piano held past its natural end was free at that end.
    EXPECT_EQ(voiceFreeBuffer(Piano, 60, 1000, 1000 + 800), 1000 + 684);
    EXPECT_EQ(voiceFreeBuffer(Piano, 60, 1000, 1000 + 684), 1000 + 684);
    // Released before it, its release decides.
    EXPECT_EQ(voiceFreeBuffer(Piano, 60, 1000, 1000 + 517), 1000 + 517 + 35);
    // The open hi-hat released early sounds on past its natural end.
    const int32_t release = noteVoiceCost(Kit, 46, 20).releaseBuffers;
    EXPECT_GT(20 + release, 355);
    EXPECT_EQ(voiceFreeBuffer(Kit, 46, 0, 20), 20 + release);
    // A key without a sample never takes a voice.
    EXPECT_EQ(voiceFreeBuffer(Piano, 10, 50, 500), 50);
}

// The voice model asks once per run of keys of one cost: every key of the
// run costs what its first does, for every time held, and the run ends.
TEST(VoiceNoteCost, KeysUpToTheNextCostKeyCostTheSame) {
    for (int sound = 0; sound <= 128; ++sound) {
        const ChannelSound channel = sound == 128 ? Kit : ChannelSound{false, static_cast<uint8_t>(sound)};
        for (int key = 0; key < 128;) {
            const int next = nextCostKey(channel, key);
            ASSERT_GT(next, key);
            for (int other = key; other < next && other < 128; ++other)
                for (int32_t held : {0, 5, 300, 6000}) {
                    const NoteVoiceCost first = noteVoiceCost(channel, key, held);
                    const NoteVoiceCost same = noteVoiceCost(channel, other, held);
                    ASSERT_EQ(same.voices, first.voices) << sound << " " << other;
                    ASSERT_EQ(same.naturalBuffers, first.naturalBuffers) << sound << " " << other;
                    ASSERT_EQ(same.releaseBuffers, first.releaseBuffers) << sound << " " << other;
                }
            key = next;
        }
    }
}
