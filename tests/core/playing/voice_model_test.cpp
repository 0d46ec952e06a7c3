// The voice model, rule by rule, on tunes built byte by byte: at division
// 1000 and 1,000,000 microseconds a quarter note a tick is exactly a
// millisecond of the synthesizer's clock, so every event lands in the render
// buffer the test names. Where a voice ends comes from the voice table, as
// the model takes it.
#include "playing/voice_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "playing/file_timing.h"
#include "playing/mip_message.h"
#include "playing/playing_walk.h"
#include "playing/voice_count.h"
#include "playing/voice_release_table.h"
#include "test_support.h"
#include "voice_count_expect.h"

namespace {
constexpr uint8_t Piano = 0;
constexpr uint8_t Organ = 16;  // looped: it holds its voice while the key is down
constexpr uint8_t OrchestraHit = 55;
constexpr int Melodic = 0;
constexpr int Drums = 9;
constexpr int32_t AfterTwentySeconds = 20000;

const ChannelSound PianoSound{false, Piano};
const ChannelSound Kit{true, 0};

Bytes noteOn(int channel, int key, int velocity = 100) {
    return {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)};
}
Bytes noteOff(int channel, int key) {
    return {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0x40};
}
Bytes control(int channel, int number, int value) {
    return {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(number), static_cast<uint8_t>(value)};
}
Bytes program(int channel, int number) {
    return {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(number)};
}
const Bytes GmOn = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
const Bytes MillisecondTicks = {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};

// The first millisecond whose events a buffer processes.
int32_t msOf(int64_t buffer) {
    return static_cast<int32_t>(voiceBufferStart(buffer));
}

Bytes tuneOf(std::vector<TickedEvent> events) {
    events.insert(events.begin(), {0, MillisecondTicks});
    return smfFile(0, 1000, {trackBodyOf(events)});
}

VoiceCount peakOf(std::vector<TickedEvent> events, int32_t mipVoices = NoMipMuting) {
    const Bytes tune = tuneOf(std::move(events));
    return playVoiceModel(tune.data(), tune.size(), mipVoices).peak();
}

// The voices counted in the buffer of each note-on that took one.
class CountLog : public VoiceCountListener {
public:
    void onCount(const VoiceCount& count) override { counts.push_back(count); }
    std::vector<VoiceCount> counts;
};

// A note on another channel at ms tells whether the voices before still count.
int voicesWithNoteAt(std::vector<TickedEvent> events, int32_t ms) {
    events.push_back({ms, noteOn(15, 72)});
    const Bytes tune = tuneOf(std::move(events));
    CountLog log;
    playVoiceModel(tune.data(), tune.size(), NoMipMuting, &log);
    return log.counts.empty() ? 0 : log.counts.back().voices;
}

// The model's end of a piano note of key 60 from 0: the table's, one buffer later.
int64_t pianoEnd(int32_t releaseMs) {
    return voiceFreeBuffer(PianoSound, 60, 0, voiceBufferAt(releaseMs)) + 1;
}
}  // namespace

TEST(VoiceModelRelease, AVoiceStaysBusyThroughItsReleaseAndOneBufferMore) {
    const std::vector<TickedEvent> note = {{0, noteOn(Melodic, 60)}, {100, noteOff(Melodic, 60)}};
    const int64_t end = pianoEnd(100);
    ASSERT_GT(end, voiceBufferAt(100) + 10);  // the piano releases slowly
    EXPECT_EQ(voicesWithNoteAt(note, msOf(end - 1)), 2);
    EXPECT_EQ(voicesWithNoteAt(note, msOf(end)), 1);
    // A note-on of velocity 0 releases as a note-off does.
    const std::vector<TickedEvent> zero = {{0, noteOn(Melodic, 60)}, {100, noteOn(Melodic, 60, 0)}};
    EXPECT_EQ(voicesWithNoteAt(zero, msOf(end - 1)), 2);
    EXPECT_EQ(voicesWithNoteAt(zero, msOf(end)), 1);
}

TEST(VoiceModelRelease, ADecayingSoundFreesItsVoiceWhileHeldALoopedOneNever) {
    const int32_t natural = noteVoiceCost(PianoSound, 60, 0).naturalBuffers;
    ASSERT_NE(natural, NoNaturalEnd);
    const std::vector<TickedEvent> held = {{0, noteOn(Melodic, 60)}};
    EXPECT_EQ(voicesWithNoteAt(held, msOf(natural)), 2);
    EXPECT_EQ(voicesWithNoteAt(held, msOf(natural + 1)), 1);
    const std::vector<TickedEvent> organ = {{0, program(Melodic, Organ)}, {0, noteOn(Melodic, 60)}};
    EXPECT_EQ(voicesWithNoteAt(organ, AfterTwentySeconds), 2);
}

TEST(VoiceModelRelease, AReleaseBeforeTheNaturalEndDecidesEvenWhenItEndsLaterOnDrumsToo) {
    // The open hi-hat decays after 355 buffers held, but released at 20 it
    // sounds on for longer: the note-off of a drum counts.
    constexpr int OpenHiHat = 46;
    const int32_t natural = noteVoiceCost(Kit, OpenHiHat, 0).naturalBuffers;
    const int64_t end = voiceFreeBuffer(Kit, OpenHiHat, 0, 20) + 1;
    ASSERT_GT(end, natural + 2);
    const std::vector<TickedEvent> hiHat = {{0, noteOn(Drums, OpenHiHat)},
                                            {msOf(20), noteOff(Drums, OpenHiHat)}};
    EXPECT_EQ(voicesWithNoteAt(hiHat, msOf(natural + 1)), 2);
    EXPECT_EQ(voicesWithNoteAt(hiHat, msOf(end - 1)), 2);
    EXPECT_EQ(voicesWithNoteAt(hiHat, msOf(end)), 1);
}

TEST(VoiceModelPedal, ThePedalHoldsTheNoteAndTheReleaseCountsFromPedalUp) {
    const std::vector<TickedEvent> pedal = {{0, noteOn(Melodic, 60)},
                                            {10, control(Melodic, 64, 127)},
                                            {100, noteOff(Melodic, 60)},
                                            {2000, control(Melodic, 64, 0)}};
    const int64_t end = pianoEnd(2000);
    EXPECT_EQ(voicesWithNoteAt(pedal, msOf(end - 1)), 2);
    EXPECT_EQ(voicesWithNoteAt(pedal, msOf(end)), 1);
    // 63 holds nothing, nor does the pedal of another channel.
    for (const Bytes& other : {control(Melodic, 64, 63), control(1, 64, 127)}) {
        const std::vector<TickedEvent> notHeld = {
            {0, noteOn(Melodic, 60)}, {10, other}, {100, noteOff(Melodic, 60)}};
        EXPECT_EQ(voicesWithNoteAt(notHeld, msOf(pianoEnd(100))), 1);
    }
}

TEST(VoiceModelPedal, ResetAllControllersLiftsThePedalWithoutReleasingWhatItHolds) {
    const std::vector<TickedEvent> lifted = {
        {0, program(Melodic, Organ)}, {0, noteOn(Melodic, 60)},        {10, control(Melodic, 64, 127)},
        {100, noteOff(Melodic, 60)},  {500, control(Melodic, 121, 0)}, {1000, control(Melodic, 64, 0)}};
    // A pedal-up of a pedal not pressed releases nothing: the organ sounds on.
    EXPECT_EQ(voicesWithNoteAt(lifted, AfterTwentySeconds), 2);
    // A note-off of the key, or a new press and release, ends it.
    std::vector<TickedEvent> keyUp = lifted;
    keyUp.push_back({3000, noteOff(Melodic, 60)});
    EXPECT_EQ(voicesWithNoteAt(keyUp, AfterTwentySeconds), 1);
    std::vector<TickedEvent> pressAgain = lifted;
    pressAgain.push_back({3000, control(Melodic, 64, 127)});
    pressAgain.push_back({3500, control(Melodic, 64, 0)});
    EXPECT_EQ(voicesWithNoteAt(pressAgain, AfterTwentySeconds), 1);
}

TEST(VoiceModelMute, SoundOffNotesOffAndModeMessagesFreeTheChannelFromTheNextBuffer) {
    for (int number : {120, 123, 124, 125, 126, 127}) {
        const std::vector<TickedEvent> muted = {
            {0, program(Melodic, Organ)}, {0, noteOn(Melodic, 60)}, {msOf(50), control(Melodic, number, 0)}};
        EXPECT_EQ(voicesWithNoteAt(muted, msOf(51)), 2) << number;
        EXPECT_EQ(voicesWithNoteAt(muted, msOf(52)), 1) << number;
    }
    for (const Bytes& other : {control(Melodic, 121, 0), control(Melodic, 122, 0), control(1, 123, 0)}) {
        const std::vector<TickedEvent> held = {
            {0, program(Melodic, Organ)}, {0, noteOn(Melodic, 60)}, {100, other}};
        EXPECT_EQ(voicesWithNoteAt(held, AfterTwentySeconds), 2);
    }
}

TEST(VoiceModelMute, GmSystemOnFreesEveryChannelAndSetsThemAsAtTheStart) {
    const std::vector<TickedEvent> reset = {{0, program(Melodic, Organ)},
                                            {0, program(1, Organ)},
                                            {0, noteOn(Melodic, 60)},
                                            {0, noteOn(1, 60)},
                                            {msOf(50), GmOn}};
    EXPECT_EQ(voicesWithNoteAt(reset, msOf(51)), 3);
    EXPECT_EQ(voicesWithNoteAt(reset, msOf(52)), 1);
    // Channel 0 made a drum channel plays the piano again: key 36 is no
    // short kick but a long piano note.
    constexpr int Kick = 36;
    const std::vector<TickedEvent> drumsThenPiano = {{0, control(Melodic, 0, 0x78)},
                                                     {0, program(Melodic, 0)},
                                                     {msOf(50), GmOn},
                                                     {msOf(100), noteOn(Melodic, Kick)}};
    const int32_t kick = noteVoiceCost(Kit, Kick, 0).naturalBuffers;
    EXPECT_EQ(voicesWithNoteAt(drumsThenPiano, msOf(100 + kick + 5)), 2);
}

TEST(VoiceModelVoices, AKeyTakesTwoVoicesAtMostAndAKeyWithoutSampleNone) {
    std::vector<TickedEvent> struck = {{0, program(Melodic, Organ)}};
    for (int32_t at : {0, 10, 20, 30}) struck.push_back({at, noteOn(Melodic, 60)});
    EXPECT_EQ(peakOf(struck).voices, 2);
    EXPECT_EQ(peakOf(struck).notes, 1);  // one key sounding, as notes are counted
    // The piano has no sample below key 21: the note takes no voice.
    ASSERT_EQ(noteVoiceCost(PianoSound, 15, 0).voices, 0);
    EXPECT_EQ(peakOf({{0, noteOn(Melodic, 15)}, {0, noteOn(Melodic, 60)}}).voices, 1);
}

TEST(VoiceModelVoices, AClosedHiHatEndsTheOpenOneOnItsChannel) {
    constexpr int OpenHiHat = 46;
    for (int cutter : {42, 44, OpenHiHat}) {
        const std::vector<TickedEvent> cut = {{0, noteOn(Drums, OpenHiHat)},
                                              {msOf(50), noteOn(Drums, cutter)}};
        EXPECT_EQ(voicesWithNoteAt(cut, msOf(51)), 3) << cutter;
        EXPECT_EQ(voicesWithNoteAt(cut, msOf(52)), 2) << cutter;
    }
    // A tom between them cuts nothing, nor does a closed hi-hat of another drum channel.
    const std::vector<TickedEvent> tom = {{0, noteOn(Drums, OpenHiHat)}, {msOf(50), noteOn(Drums, 43)}};
    EXPECT_EQ(voicesWithNoteAt(tom, msOf(52)), 3);
    const std::vector<TickedEvent> otherChannel = {{0, control(1, 0, 0x78)},
                                                   {0, program(1, 0)},
                                                   {0, noteOn(Drums, OpenHiHat)},
                                                   {msOf(50), noteOn(1, 42)}};
    EXPECT_EQ(voicesWithNoteAt(otherChannel, msOf(52)), 3);
}

TEST(VoiceModelVoices, APitchBentDownKeepsASampleEndedSoundAsALowerKeyWould) {
    const ChannelSound hit{false, OrchestraHit};
    const int32_t atKey = noteVoiceCost(hit, 60, 0).naturalBuffers;
    ASSERT_NE(atKey, NoNaturalEnd);
    ASSERT_GT(noteVoiceCost(hit, 48, 0).naturalBuffers, atKey + 5);
    const std::vector<TickedEvent> plain = {{0, program(Melodic, OrchestraHit)}, {0, noteOn(Melodic, 60)}};
    EXPECT_EQ(voicesWithNoteAt(plain, msOf(atKey + 5)), 1);
    std::vector<TickedEvent> bent = plain;
    bent.insert(bent.begin() + 1, {0, {0xE0, 0x00, 0x00}});
    EXPECT_EQ(voicesWithNoteAt(bent, msOf(atKey + 5)), 2);
}

TEST(VoiceModelClock, TicksBecomeMillisecondsByAFactorRoundedTo1024thsOfAMillisecond) {
    // Division 480 at 500,000: 1067/1024 ms a tick, so 60 s by the file is
    // 60.0187 s, in buffer 10339.
    const SynthMilliseconds clock(480);
    EXPECT_EQ(clock.at(57600), 60018);
    EXPECT_EQ(voiceBufferAt(clock.at(57600)), 10339);
    // Division 441 at 20,000: 46/1024 ms a tick instead of 45.35 microseconds.
    SynthMilliseconds fast(441);
    fast.tempo(0, 20000);
    EXPECT_EQ(fast.at(1000), 44);
    // A tempo change starts its factor at its tick; a tick before the last
    // tempo still counts by the tempos in force there.
    SynthMilliseconds slower(1000);
    slower.tempo(0, 1000000);
    slower.tempo(1000, 2000000);
    EXPECT_EQ(slower.at(1500), 2000);
    EXPECT_EQ(slower.at(500), 500);
    // 25 frames of 40 ticks: a tick is a millisecond; division 0 never moves.
    SynthMilliseconds frames(static_cast<uint16_t>(0xE728));
    frames.tempo(0, 2000000);
    EXPECT_EQ(frames.at(1234), 1234);
    EXPECT_EQ(SynthMilliseconds(0).at(1234), 0);
}

TEST(VoiceModelPlaying, Format2TracksPlayTogether) {
    // Two tracks of ten held organ notes each: 20 voices, though each track
    // alone takes 10.
    std::vector<TickedEvent> first = {{0, MillisecondTicks}, {0, program(0, Organ)}};
    std::vector<TickedEvent> second = {{0, program(1, Organ)}};
    for (int key = 60; key < 70; ++key) {
        first.push_back({10, noteOn(0, key)});
        second.push_back({20, noteOn(1, key)});
    }
    const Bytes tune = smfFile(2, 1000, {trackBodyOf(first), trackBodyOf(second)});
    const VoiceCount peak = playVoiceModel(tune.data(), tune.size()).peak();
    EXPECT_EQ(peak.voices, 20);
    EXPECT_EQ(peak.notes, 20);
}

TEST(VoiceModelPlaying, ThePeakIsWhereFirstReachedWithTheVoicesOfEachChannel) {
    const Bytes tune = smfFile(
        1, 1000,
        {trackBodyOf({{0, MillisecondTicks}, {500, noteOn(9, 36)}}), trackBodyOf({{0, program(2, Organ)},
                                                                                  {100, noteOn(2, 60)},
                                                                                  {500, noteOn(2, 64)},
                                                                                  {500, noteOn(2, 67)},
                                                                                  {3000, noteOn(2, 72)},
                                                                                  {3000, noteOff(2, 72)}})});
    const VoiceCount peak = playVoiceModel(tune.data(), tune.size()).peak();
    EXPECT_EQ(peak.voices, 4);
    EXPECT_EQ(peak.track, 0);  // the first note-on of that buffer
    EXPECT_EQ(peak.tick, 500);
    EXPECT_EQ(peak.channelVoices[2], 3);
    EXPECT_EQ(peak.channelVoices[9], 1);
}

TEST(VoiceModelPlaying, AMipMessageMutesTheChannelsOverTheVoicesUntilGmSystemOn) {
    // Channel 0 = 2, channel 1 = 3: at 2 voices channel 1 is muted.
    const Bytes mip = {0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x02, 0x01, 0x03, 0xF7};
    const std::vector<TickedEvent> tune = {{0, mip},
                                           {0, program(0, Organ)},
                                           {0, program(1, Organ)},
                                           {100, noteOn(0, 60)},
                                           {100, noteOn(1, 60)},
                                           {100, noteOn(1, 62)}};
    EXPECT_EQ(peakOf(tune, 2).voices, 1);
    EXPECT_EQ(peakOf(tune, 2).notes, 1);
    EXPECT_EQ(peakOf(tune, 3).voices, 3);
    EXPECT_EQ(peakOf(tune).voices, 3);
    std::vector<TickedEvent> reset = tune;
    reset.push_back({1000, GmOn});
    reset.push_back({1100, noteOn(1, 60)});
    reset.push_back({1100, noteOn(1, 62)});
    EXPECT_EQ(peakOf(reset, 2).voices, 2);
}

TEST(VoiceModelPlaying, BrokenEventsChangeNothing) {
    VoiceModel model(0);
    const uint8_t cut[] = {0x90, 0x3C};
    model.onEvent(0, 0, cut, 2);
    model.onEvent(0, 0, cut, 0);
    const uint8_t sysEx[] = {0xF0};
    model.onEvent(0, 0, sysEx, 1);
    model.finish();
    EXPECT_EQ(model.peak().voices, 0);
    const Bytes notMidi = {'M', 'T', 'h', 'x'};
    EXPECT_EQ(playVoiceModel(notMidi.data(), notMidi.size()).peak().voices, 0);
}

namespace {
// A tune of random notes, pedals, programs and bends on four channels and
// the drums, over two tracks, with a MIP message at the start or later and
// perhaps a GM System On.
struct RandomTune {
    Bytes bytes;
    bool mutingFromStart = false;
};

RandomTune randomTune(uint32_t seed) {
    uint32_t state = seed * 2654435761u + 1;
    const auto next = [&state](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    const int channelsOf[] = {0, 1, 2, 3, Drums};
    std::vector<TickedEvent> tracks[2];
    std::vector<SpMidiEntry> mips;
    for (const int channel : channelsOf) mips.push_back({channel, static_cast<int32_t>(1 + next(8))});
    const bool mipAtStart = next(2) == 0;
    const int32_t mipTick = mipAtStart ? 0 : static_cast<int32_t>(next(3000));
    tracks[0].push_back({mipTick, spMidiMessage(mips)});
    const bool reset = next(3) == 0;
    if (reset) tracks[1].push_back({static_cast<int32_t>(next(3000)), GmOn});
    int32_t tick = 1;
    for (int k = 0; k < 200; ++k) {
        tick += static_cast<int32_t>(next(40));
        const int channel = channelsOf[next(5)];
        const int key = 48 + static_cast<int>(next(24));
        std::vector<TickedEvent>& track = tracks[next(2)];
        switch (next(8)) {
            case 0:
                track.push_back({tick, control(channel, 64, next(2) == 0 ? 0 : 127)});
                break;
            case 1:
                track.push_back({tick, program(channel, static_cast<int>(next(128)))});
                break;
            case 2:
                track.push_back(
                    {tick, {static_cast<uint8_t>(0xE0 | channel), 0, static_cast<uint8_t>(next(128))}});
                break;
            case 3:
            case 4:
                track.push_back({tick, noteOff(channel, key)});
                break;
            default:
                track.push_back({tick, noteOn(channel, key)});
                break;
        }
    }
    for (std::vector<TickedEvent>& track : tracks)
        std::stable_sort(track.begin(), track.end(),
                         [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
    tracks[0].insert(tracks[0].begin(), {0, MillisecondTicks});
    return {smfFile(1, 1000, {trackBodyOf(tracks[0]), trackBodyOf(tracks[1])}), mipAtStart && !reset};
}

}  // namespace

TEST(VoiceModelMuting, OnePlayCountsEachHandsetAsAPlayOfItsOwnDoes) {
    const int32_t handsets[] = {2, 4, 6};
    int exactPlays = 0;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        const RandomTune tune = randomTune(seed);
        struct Feed {
            VoiceModel& model;
            bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
                model.onEvent(track, tick, event.bytes, event.length);
                return true;
            }
        };
        VoiceModel shared(1000);
        for (const int32_t voices : handsets) shared.countAlsoMuting(voices);
        Feed feed{shared};
        walkInPlayingOrder(tune.bytes.data(), tune.bytes.size(), feed);
        shared.finish();
        expectSameVoiceCount(shared.peak(), playVoiceModel(tune.bytes.data(), tune.bytes.size()).peak());
        for (const int32_t voices : handsets) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(voices) + " voices");
            const VoiceCount* peak = shared.peakMuting(voices);
            // A MIP message before every note always leaves the play exact.
            if (tune.mutingFromStart) {
                EXPECT_NE(peak, nullptr);
            }
            if (peak == nullptr) continue;
            ++exactPlays;
            expectSameVoiceCount(*peak, playVoiceModel(tune.bytes.data(), tune.bytes.size(), voices).peak());
        }
    }
    // Both kinds of tune come up: those one play can tell and those it cannot.
    EXPECT_GT(exactPlays, 300);
    EXPECT_LT(exactPlays, 900);
    EXPECT_EQ(VoiceModel(1000).peakMuting(4), nullptr);
}
