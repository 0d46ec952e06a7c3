// Holds the voice model to the handset synthesizer on tunes made to strain
// it: with M the model's count, the render at M voices must equal the render
// at full polyphony sample for sample (never optimistic), and M must stay
// near the synthesizer's own smallest polyphony (not wasteful).
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "handset_synth.h"
#include "playing/voice_count.h"
#include "test_support.h"
#include "voice_probe.h"
#include "voice_search.h"

namespace {
constexpr int FullPolyphony = 64;
constexpr int Division = 480;
constexpr int Beat = Division;
constexpr int Sixteenth = Division / 4;

constexpr int Loud = 100;

void addNote(std::vector<TickedEvent>& events, int tick, int length, int channel, int key) {
    events.push_back({tick, noteOn(channel, key, Loud)});
    events.push_back({tick + length, noteOff(channel, key)});
}

// Piano chords of short notes under a pedal pressed and lifted every bar,
// the last lift by Reset All Controllers, then a new press and release.
Bytes pedalTune() {
    std::vector<TickedEvent> events = {{0, programChange(0, 0)}};
    for (int bar = 0; bar < 6; ++bar) {
        const int start = bar * 4 * Beat;
        events.push_back({start + 10, controlChange(0, 64, 127)});
        for (int step = 0; step < 8; ++step)
            for (int key : {48, 55, 60 + step})
                addNote(events, start + step * Beat / 2, Sixteenth, 0, key + bar % 3);
        events.push_back({start + 4 * Beat - 20, controlChange(0, bar == 4 ? 121 : 64, 0)});
    }
    events.push_back({26 * Beat, controlChange(0, 64, 127)});
    events.push_back({27 * Beat, controlChange(0, 64, 0)});
    return smfFile(0, Division, {trackBodyOf(events)});
}

// Short notes of sounds with long releases (pad, strings, celesta), each
// channel a few keys apart, so that the releases overlap.
Bytes longReleaseTune() {
    std::vector<TickedEvent> events;
    const int sounds[] = {88, 48, 8, 122};
    for (int channel = 0; channel < 4; ++channel) {
        events.push_back({0, programChange(channel, sounds[channel])});
        for (int step = 0; step < 24; ++step)
            addNote(events, step * Sixteenth + channel * 30, 20 + step * 7, channel,
                    48 + (step * 5 + channel * 3) % 36);
    }
    return smfFile(0, Division, {trackBodyOf(events)});
}

// Keys struck again and again before their release is over, some a third
// time while two voices of the key still sound, and velocity-0 note-offs.
Bytes retriggerTune() {
    std::vector<TickedEvent> events = {{0, programChange(0, 0)}, {0, programChange(1, 24)}};
    for (int step = 0; step < 48; ++step) {
        const int key = 60 + step % 3;
        events.push_back({step * Sixteenth / 2, noteOn(step % 2, key, Loud)});
        events.push_back({step * Sixteenth / 2 + 30, noteOn(step % 2, key, 0)});
    }
    events.push_back({30 * Sixteenth, controlChange(1, 123, 0)});
    return smfFile(0, Division, {trackBodyOf(events)});
}

// A dense kit: hi-hats open and closed, crash, ride, kicks and snares,
// random but repeatable, held for random lengths.
Bytes drumTune() {
    std::mt19937 random(2026);
    const int keys[] = {35, 36, 38, 42, 44, 46, 49, 51, 57, 41, 45, 69};
    std::vector<TickedEvent> events;
    for (int step = 0; step < 96; ++step)
        for (int hit = 0; hit < 3; ++hit) {
            const int key = keys[random() % std::size(keys)];
            const int length = static_cast<int>(random() % (2 * Beat)) + 1;
            addNote(events, step * Sixteenth / 2 + static_cast<int>(random() % 20), length, 9, key);
        }
    return smfFile(0, Division, {trackBodyOf(events)});
}

// Format 2: two tracks of held chords on two channels, which the
// synthesizer plays together, the second track in a faster tempo.
Bytes formatTwoTune() {
    std::vector<TickedEvent> first = {{0, programChange(0, 48)}};
    std::vector<TickedEvent> second = {{0, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}}, {0, programChange(1, 0)}};
    for (int chord = 0; chord < 6; ++chord)
        for (int key : {0, 4, 7, 11}) {
            addNote(first, chord * 2 * Beat, 2 * Beat - 10, 0, 48 + key + chord);
            addNote(second, chord * Beat, Beat / 2, 1, 60 + key - chord);
        }
    return smfFile(2, Division, {trackBodyOf(first), trackBodyOf(second)});
}

struct StrainedTune {
    const char* name;
    Bytes (*make)();
};

void PrintTo(const StrainedTune& tune, std::ostream* out) {
    *out << tune.name;
}

const StrainedTune StrainedTunes[] = {{"pedal", pedalTune},
                                      {"long releases", longReleaseTune},
                                      {"retriggered keys", retriggerTune},
                                      {"many drums", drumTune},
                                      {"format 2", formatTwoTune}};

class VoiceModelRender : public ::testing::TestWithParam<StrainedTune> {};
}  // namespace

TEST_P(VoiceModelRender, TheModelsVoicesPlayEveryNoteAndNotManyMore) {
    const Bytes tune = GetParam().make();
    const int model = playVoiceModel(tune.data(), tune.size()).peak().voices;
    ASSERT_GT(model, 1);
    ASSERT_LE(model, FullPolyphony);
    const std::vector<int16_t> full = renderWholePcm(tune, FullPolyphony);
    ASSERT_FALSE(full.empty());
    EXPECT_TRUE(renderWholePcm(tune, model) == full) << model << " voices";
    const int exact = VoiceSearch(tune).smallestEqualPolyphony();
    EXPECT_LE(model, exact + std::max(2, exact / 10)) << "exact " << exact;
}

INSTANTIATE_TEST_SUITE_P(Strained, VoiceModelRender, ::testing::ValuesIn(StrainedTunes));

namespace {
// The frames of a tune that holds key `held` of channel 9 from 0 and plays
// `other` at 100 ms on channel 9, or on channel 1 made a twin kit: the
// synthesizer stops once no voice is allocated.
size_t framesWith(int held, int other, bool sameChannel) {
    const int channel = sameChannel ? 9 : 1;
    const Bytes tune = smfFile(0, 1000,
                               {trackBodyOf({{0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}},
                                             {0, controlChange(1, 0, 0x78)},
                                             {0, programChange(1, 0)},
                                             {0, noteOn(9, held, Loud)},
                                             {100, noteOn(channel, other, Loud)},
                                             {101, noteOff(channel, other)},
                                             {102, {0xFF, 0x01, 0x00}}})});
    return renderWholePcm(tune, FullPolyphony).size();
}
}  // namespace

TEST(VoiceModelKit, AHiHatAndTheOtherCuttingKeysEndTheirGroupOnTheirChannelOnly) {
    const int cutting[][2] = {{32, 34}, {33, 34}, {34, 34}, {42, 46}, {44, 46}, {46, 46},
                              {71, 71}, {71, 72}, {72, 71}, {72, 72}, {80, 81}, {81, 81}};
    for (const auto& pair : cutting)
        EXPECT_LT(framesWith(pair[1], pair[0], true), framesWith(pair[1], pair[0], false))
            << pair[0] << " cuts " << pair[1];
    for (int other : {43, 45, 47, 36, 49})
        EXPECT_EQ(framesWith(46, other, true), framesWith(46, other, false)) << other;
}
