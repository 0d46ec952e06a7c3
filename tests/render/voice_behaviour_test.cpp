// How the handset synthesizer spends its voices, as the voice table and the
// voice model rely on it: when a voice is taken and when it is free again,
// and what the controllers and system messages do to sounding voices. A
// library that behaves otherwise fails here before it makes the table wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "handset_synth.h"
#include "playing/voice_release_table.h"
#include "test_support.h"
#include "voice_probe.h"

namespace {
constexpr ChannelSound Piano{false, 0};
constexpr ChannelSound Organ{false, 16};
constexpr ChannelSound Kit{true, 0};
constexpr int Melodic = 0;
constexpr int Drums = 9;
constexpr int32_t Bound = 30000;  // buffers, far past every release

using Events = std::vector<ProbeEvent>;

Events with(Events events, const Events& more) {
    events.insert(events.end(), more.begin(), more.end());
    return events;
}

// The buffer from which the tune's last voice is free, the tune ending at endBuffer.
int32_t freeFrom(const Events& events, int32_t endBuffer) {
    return buffersUntilStopped(probeTune(events, endBuffer), endBuffer + Bound);
}

std::vector<int16_t> pcmOf(const Events& events, int32_t endBuffer, int polyphony = 64) {
    return renderBuffers(probeTune(events, endBuffer), polyphony, endBuffer + Bound);
}

bool soundsAlike(const Events& a, const Events& b, int32_t endBuffer, int polyphony = 64) {
    return samePcm(pcmOf(a, endBuffer, polyphony), pcmOf(b, endBuffer, polyphony));
}

// A piano note from buffer 1, held until buffer 50 by the key or the pedal.
Events pianoNote(int32_t offBuffer) {
    return {{1, noteOn(Melodic, 60, 100)}, {offBuffer, noteOff(Melodic, 60)}};
}

Events heldPianoNote() {
    return {{1, noteOn(Melodic, 60, 100)}};
}

Events pedalHeldPianoNote() {
    return with(pianoNote(20), {{10, controlChange(Melodic, 64, 127)}});
}

std::vector<uint8_t> sysEx(std::vector<uint8_t> body) {
    body.insert(body.begin(), 0xF0);
    return body;
}
const std::vector<uint8_t> GmOn = sysEx({0x7E, 0x7F, 0x09, 0x01, 0xF7});
const std::vector<uint8_t> Gm2On = sysEx({0x7E, 0x7F, 0x09, 0x03, 0xF7});
const std::vector<uint8_t> GmOff = sysEx({0x7E, 0x7F, 0x09, 0x02, 0xF7});

// A phrase of keys on channel after the set-up: what a channel plays.
Events phrase(int channel, const Events& setUp) {
    Events events = setUp;
    int32_t buffer = 1;
    for (int key : {36, 38, 42, 46, 49, 60, 64, 67, 72}) {
        events.push_back({buffer, noteOn(channel, key, 110)});
        events.push_back({buffer + 30, noteOff(channel, key)});
        buffer += 40;
    }
    return events;
}
constexpr int32_t PhraseEnd = 400;
}  // namespace

TEST(SynthClock, AnEventTakesEffectAtTheStartOfTheBufferHoldingItsMillisecond) {
    for (int64_t buffer : {1, 2, 6, 297, 1000}) {
        const int64_t firstMillisecond = (buffer * VoiceBufferQ8Milliseconds) / 256;
        EXPECT_EQ(voiceBufferAt(firstMillisecond), buffer);
        EXPECT_EQ(voiceBufferAt(firstMillisecond - 1), buffer - 1);
        // probeTune puts the note-on at that millisecond.
        const std::vector<int16_t> pcm = pcmOf({{static_cast<int32_t>(buffer), noteOn(Melodic, 60, 100)}},
                                               static_cast<int32_t>(buffer) + 4);
        const auto sound = std::find_if(pcm.begin(), pcm.end(), [](int16_t sample) { return sample != 0; });
        EXPECT_EQ((sound - pcm.begin()) / (2 * VoiceBufferFrames), buffer);
    }
    const SynthFormat format = handsetSynthFormat();
    EXPECT_EQ(format.framesPerBuffer, VoiceBufferFrames);
    EXPECT_EQ(format.sampleRate, VoiceSampleRate);
    EXPECT_EQ(format.framesPerBuffer * 1000 * 256 / format.sampleRate, VoiceBufferQ8Milliseconds);
}

TEST(SynthVoices, ANoteTakesOneVoiceWhereTheSoundHasASample) {
    for (int program = 0; program < 128; program += 9)
        for (int key : {24, 60, 96})
            EXPECT_EQ(voicesOfLoneNote(ChannelSound{false, static_cast<uint8_t>(program)}, key, 4), 1)
                << "program " << program << " key " << key;
    for (int key = 27; key <= 87; key += 5) EXPECT_EQ(voicesOfLoneNote(Kit, key, 4), 1) << "drum key " << key;
    // The piano has no sample below key 21, the kit none below 27.
    EXPECT_FALSE(holdsVoice(Piano, 20, 0));
    EXPECT_TRUE(holdsVoice(Piano, 21, 0));
    EXPECT_FALSE(holdsVoice(Kit, 26, 0));
}

TEST(SynthVoices, ANoteCanHoldItsVoiceUnheard) {
    // The harpsichord's keys from 69 up make no sound, yet hold a voice for seconds.
    const ChannelSound harpsichord{false, 7};
    EXPECT_EQ(lastAudibleBuffer(harpsichord, 80), -1);
    EXPECT_TRUE(holdsVoice(harpsichord, 80, 600));
    EXPECT_EQ(naturalBuffersAfter(harpsichord, 80, -1),
              naturalBuffersAfter(harpsichord, 60, lastAudibleBuffer(harpsichord, 60)));
}

TEST(SynthVoices, AKeyStruckAgainTakesASecondVoiceAndAThirdTakesTheOldest) {
    const Events twice = {{1, noteOn(Melodic, 60, 100)}, {20, noteOn(Melodic, 60, 100)}};
    const Events onTwoChannels = {{1, noteOn(Melodic, 60, 100)}, {20, noteOn(1, 60, 100)}};
    EXPECT_TRUE(soundsAlike(twice, onTwoChannels, 100));
    // The third mutes the first in its buffer and sounds from the next, as
    // if the first had been cut by All Notes Off.
    const Events thrice = with(twice, {{40, noteOn(Melodic, 60, 100)}});
    const Events firstCut = {{1, noteOn(1, 60, 100)},
                             {20, noteOn(Melodic, 60, 100)},
                             {40, controlChange(1, 123, 0)},
                             {41, noteOn(Melodic, 60, 100)}};
    EXPECT_TRUE(soundsAlike(thrice, firstCut, 100));
    // A note-off of the key releases both voices.
    EXPECT_TRUE(soundsAlike(with(twice, {{50, noteOff(Melodic, 60)}}),
                            with(onTwoChannels, {{50, noteOff(Melodic, 60)}, {50, noteOff(1, 60)}}), 50));
}

TEST(SynthVoices, TheQuietestVoiceIsStolenFirstAndOfEqualOnesTheNewest) {
    auto stolenFirst = [](int firstVelocity, int secondVelocity) {
        const Events both = {{0, programChange(0, 16)},
                             {0, programChange(1, 16)},
                             {0, programChange(2, 16)},
                             {1, noteOn(0, 60, firstVelocity)},
                             {10, noteOn(1, 60, secondVelocity)}};
        const Events played = with(both, {{100, noteOn(2, 67, 100)}});
        const Events firstCut = with(both, {{100, controlChange(0, 123, 0)}, {101, noteOn(2, 67, 100)}});
        return soundsAlike(played, firstCut, 160, 2);
    };
    EXPECT_TRUE(stolenFirst(30, 127));
    EXPECT_FALSE(stolenFirst(127, 30));
    EXPECT_FALSE(stolenFirst(127, 127));
}

TEST(SynthRelease, TheTimeHeldChangesTheReleaseButVelocityAndVolumeDoNot) {
    EXPECT_EQ(releaseBuffers(Piano, 60, 1), 81);
    EXPECT_EQ(releaseBuffers(Piano, 60, 500), 37);
    const int32_t loud = freeFrom(pianoNote(50), 50);
    for (int velocity : {1, 64})
        for (int volume : {0, 127}) {
            const Events quiet = {{0, controlChange(Melodic, 7, volume)},
                                  {1, noteOn(Melodic, 60, velocity)},
                                  {50, noteOff(Melodic, 60)}};
            EXPECT_EQ(freeFrom(quiet, 50), loud) << "velocity " << velocity << " volume " << volume;
        }
}

TEST(SynthRelease, DrumNoteOffsReleaseTheDrum) {
    // The open hi-hat held frees its voice after 355 buffers; released
    // after 20 it sounds on longer, since it releases more slowly than it decays.
    const Events released = {{1, noteOn(Drums, 46, 127)}, {21, noteOff(Drums, 46)}};
    const Events held = {{1, noteOn(Drums, 46, 127)}};
    EXPECT_FALSE(soundsAlike(released, held, 600));
    EXPECT_EQ(naturalBuffersAfter(Kit, 46, lastAudibleBuffer(Kit, 46)), 355);
    EXPECT_GT(20 + releaseBuffers(Kit, 46, 20), 355);
}

TEST(SynthPedal, APedalFrom64HoldsTheNoteUntilPedalUpAndTheReleaseCountsFromThere) {
    for (int32_t pedalUp : {30, 100, 300}) {
        const Events pedal = with(pedalHeldPianoNote(), {{pedalUp, controlChange(Melodic, 64, 0)}});
        EXPECT_EQ(freeFrom(pedal, pedalUp), freeFrom(pianoNote(pedalUp), pedalUp))
            << "pedal up at " << pedalUp;
    }
    const Events below = with(pianoNote(20), {{10, controlChange(Melodic, 64, 63)}});
    EXPECT_EQ(freeFrom(below, 300), 301) << "a value of 63 holds nothing";
    const Events other = with(pianoNote(20), {{10, controlChange(1, 64, 127)}});
    EXPECT_EQ(freeFrom(other, 300), 301) << "another channel's pedal holds nothing";
}

TEST(SynthPedal, SostenutoSoftPedalAndAPedalDuringTheReleaseChangeNothing) {
    for (int controller : {65, 66, 67})
        EXPECT_TRUE(soundsAlike(with(pianoNote(20), {{5, controlChange(Melodic, controller, 127)}}),
                                pianoNote(20), 300))
            << "controller " << controller;
    EXPECT_TRUE(
        soundsAlike(with(pianoNote(100), {{105, controlChange(Melodic, 64, 127)}}), pianoNote(100), 400));
}

TEST(SynthPedal, ResetAllControllersLeavesPedalHeldNotesSounding) {
    // The pedal is off afterwards, yet the notes it held sound on until a
    // note-off of their key or a new pedal-up.
    const Events organ = with(pedalHeldPianoNote(), {{0, programChange(Melodic, 16)}});
    const Events reset = with(organ, {{50, controlChange(Melodic, 121, 0)}});
    EXPECT_TRUE(soundsAlike(reset, organ, 400));
    const Events pedalUp = with(organ, {{150, controlChange(Melodic, 64, 0)}});
    EXPECT_TRUE(soundsAlike(with(reset, {{150, noteOff(Melodic, 60)}}), pedalUp, 400));
    EXPECT_TRUE(soundsAlike(
        with(reset, {{100, controlChange(Melodic, 64, 127)}, {150, controlChange(Melodic, 64, 0)}}), pedalUp,
        400));
}

TEST(SynthMute, SoundOffNotesOffModeMessagesAndGmOnFreeVoicesAfterOneBuffer) {
    std::vector<std::vector<uint8_t>> mutes = {GmOn, Gm2On};
    for (int controller : {120, 123, 124, 125, 126, 127})
        mutes.push_back(controlChange(Melodic, controller, 0));
    for (const std::vector<uint8_t>& mute : mutes) {
        EXPECT_EQ(freeFrom(with(heldPianoNote(), {{50, mute}}), 50), 51);
        EXPECT_EQ(freeFrom(with(pedalHeldPianoNote(), {{50, mute}}), 50), 51);
    }
    // Nothing else ends a held note: the end of the tune releases it.
    const int32_t released = freeFrom(pianoNote(50), 50);
    for (const std::vector<uint8_t>& other :
         {GmOff, controlChange(Melodic, 121, 0), controlChange(1, 123, 0), programChange(Melodic, 16)})
        EXPECT_EQ(freeFrom(with(heldPianoNote(), {{50, other}}), 50), released);
}

TEST(SynthMute, GmOnResetsTheChannelsAndUndoesTheMipMuting) {
    const Events plain = {{20, noteOn(Melodic, 60, 100)}, {60, noteOff(Melodic, 60)}};
    const Events changed = {{0, programChange(Melodic, 40)},
                            {0, controlChange(Melodic, 7, 30)},
                            {0, controlChange(Melodic, 64, 127)},
                            {10, GmOn}};
    EXPECT_TRUE(soundsAlike(with(changed, plain), plain, 300));
    const Events drums = {{0, controlChange(Melodic, 0, 0x78)}, {0, programChange(Melodic, 0)}, {10, GmOn}};
    EXPECT_TRUE(soundsAlike(with(drums, plain), plain, 300));
    // A MIP message for channel 1 alone mutes channel 0 at any polyphony,
    // and channel 1 below its two voices; after GM On both play.
    const std::vector<uint8_t> mip = sysEx({0x7F, 0x7F, 0x0B, 0x01, 0x01, 0x02, 0xF7});
    EXPECT_TRUE(soundsAlike(with({{0, mip}}, plain), {{0, mip}}, 300));
    EXPECT_TRUE(soundsAlike(with({{0, mip}, {10, GmOn}}, plain), with({{10, GmOn}}, plain), 300));
    const Events second = {{20, noteOn(1, 60, 100)}, {60, noteOff(1, 60)}};
    EXPECT_TRUE(soundsAlike(with({{0, mip}}, second), {{0, mip}}, 300, 1));
    EXPECT_TRUE(soundsAlike(with({{0, mip}, {10, GmOn}}, second), with({{10, GmOn}}, second), 300, 1));
}

TEST(SynthSounds, AProgramChangeLeavesSoundingVoicesTheirSound) {
    const Events organNote = {
        {0, programChange(Melodic, 16)}, {1, noteOn(Melodic, 60, 100)}, {50, noteOff(Melodic, 60)}};
    EXPECT_TRUE(soundsAlike(with(organNote, {{20, programChange(Melodic, 0)}}), organNote, 200));
    EXPECT_EQ(freeFrom(with(pianoNote(50), {{20, programChange(Melodic, 16)}}), 50),
              freeFrom(pianoNote(50), 50));
}

TEST(SynthSounds, EveryMelodicBankPlaysTheSamePrograms) {
    for (int program : {0, 24, 48, 80, 127}) {
        const Events bankZero = phrase(Melodic, {{0, programChange(Melodic, program)}});
        for (int msb : {0x01, 0x08, 0x40, 0x79, 0x7F})
            EXPECT_TRUE(soundsAlike(phrase(Melodic, {{0, controlChange(Melodic, 0, msb)},
                                                     {0, controlChange(Melodic, 32, 0x05)},
                                                     {0, programChange(Melodic, program)}}),
                                    bankZero, PhraseEnd))
                << "program " << program << " bank " << msb;
    }
}

TEST(SynthSounds, ThereIsOneDrumKitAndTheBankSelectsWhichChannelsPlayIt) {
    const Events kit = phrase(Drums, {});
    for (int program : {1, 8, 16, 25, 40, 127})
        EXPECT_TRUE(soundsAlike(phrase(Drums, {{0, programChange(Drums, program)}}), kit, PhraseEnd))
            << program;
    // Only channel 9 starts as a drum channel.
    EXPECT_FALSE(soundsAlike(phrase(10, {}), kit, PhraseEnd));
    // Each case: the channel's sound at start, the bank select MSB, and
    // whether the program change that follows makes it play the kit.
    struct Case {
        int channel;
        int msb;
        bool programChange;
    };
    for (const Case& c :
         {Case{0, 0x78, true}, Case{15, 0x78, true}, Case{0, 0x78, false}, Case{9, 0x79, true},
          Case{9, 0x79, false}, Case{9, 0x00, true}, Case{9, 0x7F, true}}) {
        Events setUp = {{0, controlChange(c.channel, 0, c.msb)}};
        if (c.programChange) setUp.push_back({0, programChange(c.channel, 0)});
        const ChannelSound start = channelSoundAtStart(c.channel);
        const ChannelSound expected = c.programChange ? soundAfterProgramChange(start, c.msb, 0) : start;
        const Events reference = expected.drums ? phrase(c.channel, {{0, controlChange(c.channel, 0, 0x78)},
                                                                     {0, programChange(c.channel, 0)}})
                                                : phrase(c.channel, {{0, controlChange(c.channel, 0, 0x79)},
                                                                     {0, programChange(c.channel, 0)}});
        EXPECT_TRUE(soundsAlike(phrase(c.channel, setUp), reference, PhraseEnd))
            << "channel " << c.channel << " bank " << c.msb << (c.programChange ? " with" : " without")
            << " a program change";
    }
}

// The table holds the longest of what it measured: a voice it ends is free
// by then, for keys it did not measure itself and held times between its samples.
TEST(VoiceTableBounds, NoVoiceOutlastsTheTable) {
    struct Probe {
        ChannelSound sound;
        int key;
    };
    for (const Probe& probe : {Probe{Piano, 33}, Probe{Piano, 101}, Probe{ChannelSound{false, 8}, 70},
                               Probe{ChannelSound{false, 24}, 45}, Probe{ChannelSound{false, 48}, 77},
                               Probe{ChannelSound{false, 55}, 44}, Probe{ChannelSound{false, 113}, 66},
                               Probe{Kit, 46}, Probe{Kit, 51}, Probe{Organ, 52}}) {
        const NoteVoiceCost cost = noteVoiceCost(probe.sound, probe.key, 0);
        const int32_t natural =
            naturalBuffersAfter(probe.sound, probe.key, lastAudibleBuffer(probe.sound, probe.key));
        if (cost.naturalBuffers == NoNaturalEnd)
            EXPECT_EQ(natural, NoNaturalEnd) << "key " << probe.key;
        else
            EXPECT_LE(natural, cost.naturalBuffers) << "key " << probe.key;
        for (int32_t held : {0, 5, 30, 150, 450, 900}) {
            // A voice free before its release was free at its natural end.
            const bool freeBefore = natural != NoNaturalEnd && natural <= held;
            const int32_t free = freeBefore ? natural : held + releaseBuffers(probe.sound, probe.key, held);
            EXPECT_LE(free, voiceFreeBuffer(probe.sound, probe.key, 0, held))
                << "key " << probe.key << " held " << held;
        }
    }
}
