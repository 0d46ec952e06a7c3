// Slimming is judged by the handset synthesizer itself: the render of every
// slimmed, merged, or slimmed and merged file is sample for sample the
// render of the plain conversion, for the real tunes of the corpus, the
// regression files and tunes made to press each rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "handset_synth.h"
#include "handset_tunes.h"
#include "job/converted_file.h"
#include "render_print.h"
#include "slim/slim_settings.h"
#include "slim/slimming.h"
#include "smf/delta_time.h"
#include "smf/midi_format.h"
#include "test_support.h"

namespace {
constexpr int FullPolyphony = 64;

RenderPrint wholeRender(const Bytes& tune) {
    return renderPrint(tune.data(), tune.size(), FullPolyphony,
                       static_cast<int64_t>(MaxRenderSeconds) * handsetSynthFormat().sampleRate);
}

struct Variant {
    const char* options;
    SlimSettings settings;
};
const Variant Variants[] = {{"-Z", slimSettings(true, false)},
                            {"-0", slimSettings(false, true)},
                            {"-0 -Z", slimSettings(true, true)}};

// How many files a check ran on, and what they took.
struct RenderTally {
    int renders = 0;
    int slimmed = 0;
};

// Renders the plain file once and each variant whose bytes differ from every
// file rendered before it; a plain file the synthesizer refuses is compared
// on refusal only.
void expectVariantsSoundAsThePlainFile(const std::string& name, const Bytes& plain,
                                       const std::function<Bytes(const SlimSettings&)>& variantOf,
                                       RenderTally& tally) {
    const RenderPrint expected = wholeRender(plain);
    ++tally.renders;
    std::vector<Bytes> rendered = {plain};
    for (const Variant& variant : Variants) {
        const Bytes made = variantOf(variant.settings);
        // -Z never makes a file larger, and -0 -Z keeps the smaller of its two.
        if (variant.settings.slim != 0) {
            EXPECT_LE(made.size(), plain.size()) << name << " " << variant.options;
        }
        if (made != plain) ++tally.slimmed;
        if (std::find(rendered.begin(), rendered.end(), made) != rendered.end()) continue;
        rendered.push_back(made);
        const RenderPrint print = wholeRender(made);
        ++tally.renders;
        if (expected.refused)
            EXPECT_TRUE(print.refused) << name << " " << variant.options;
        else
            EXPECT_EQ(print, expected) << name << " " << variant.options;
    }
}

// A source converted as quavel converts it, at the default level and at level 2.
void expectConversionsSoundTheSame(const std::string& name, const Bytes& source, RenderTally& tally) {
    for (int level : {1, 2}) {
        const Bytes plain = convertForHandset(source, level, SlimSettings()).bytes;
        ASSERT_FALSE(plain.empty()) << name;
        expectVariantsSoundAsThePlainFile(
            name + " -D" + std::to_string(level), plain,
            [&source, level](const SlimSettings& settings) {
                return convertForHandset(source, level, settings).bytes;
            },
            tally);
    }
}

// A tune made to press a rule, slimmed as it is.
void expectSlimmedSoundsTheSame(const std::string& name, const Bytes& tune) {
    RenderTally tally;
    expectVariantsSoundAsThePlainFile(
        name, tune,
        [&tune](const SlimSettings& settings) {
            Bytes slimmed = tune;
            SlimOutcome outcome;
            EXPECT_TRUE(slimFile(settings, slimmed, outcome).ok());
            return slimmed;
        },
        tally);
    EXPECT_GT(tally.slimmed, 0) << name;
}

Bytes slimmedWith(const Bytes& tune, bool slim, bool formatZero) {
    Bytes slimmed = tune;
    SlimOutcome outcome;
    EXPECT_TRUE(slimFile(slimSettings(slim, formatZero), slimmed, outcome).ok());
    return slimmed;
}

std::vector<std::string> corpusForThisBuild() {
    std::vector<std::string> tunes = corpusTunePaths();
#ifdef QUAVEL_REDUCED_CORPUS
    // The sanitizer build renders every fourth tune: the rules are the same,
    // only slower to check.
    std::vector<std::string> reduced;
    for (size_t i = 0; i < tunes.size(); i += 4) reduced.push_back(tunes[i]);
    tunes = reduced;
#endif
    return tunes;
}

// A track of nothing but its End of Track.
Bytes endOfTrackAt(int32_t tick) {
    uint8_t delta[DeltaTime::MaxBytes];
    Bytes body(delta, delta + encodeVarLen(tick, delta));
    return concat({body, {0xFF, 0x2F, 0x00}});
}

// A tempo track, and a track of notes with a system message and two data
// bytes after it in the middle: F2 10 20, F8 10 20 and so on.
Bytes tuneWithSystemMessage(uint8_t status) {
    std::vector<TickedEvent> notes;
    for (int k = 0; k < 8; ++k) {
        const uint8_t key = static_cast<uint8_t>(60 + k);
        notes.push_back({96 * k, {0x90, key, 0x64}});
        notes.push_back({96 * k + 48, {0x80, key, 0x40}});
        if (k == 3) notes.push_back({96 * k + 48, {status, 0x10, 0x20}});
    }
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    return smfFile(1, 96, {tempo, trackBodyOf(notes)});
}

// A packet whose data byte a handset reads as a program change of the
// status before it, a program change that repeats the channel's program.
Bytes tuneWithPacketAfterARepeatedProgram() {
    const std::vector<TickedEvent> events = {
        {0, {0xC0, 0x05}},        {0, {0x90, 0x3C, 0x64}},  {48, {0x80, 0x3C, 0x40}}, {48, {0xC0, 0x05}},
        {48, {0xF7, 0x01, 0x30}}, {48, {0x90, 0x3C, 0x64}}, {96, {0x80, 0x3C, 0x40}}};
    return smfFile(0, 96, {trackBodyOf(events)});
}

// Eight notes of a channel from the first key on, 48 ticks apart, ended.
Bytes eightNotes(uint8_t status, uint8_t firstKey) {
    std::vector<TickedEvent> notes;
    for (int k = 0; k < 8; ++k) {
        const uint8_t key = static_cast<uint8_t>(firstKey + k);
        notes.push_back({96 * k, {status, key, 0x64}});
        notes.push_back({96 * k + 48, {status, key, 0x00}});
    }
    return trackBodyOf(notes);
}

// The second track ends early with an End of Track of length 1, which a
// handset takes as the end; the track reader finds a later one.
Bytes tuneWithALongEndOfTrack() {
    const Bytes early = {0x00, 0x91, 0x30, 0x64, 0x30, 0x91, 0x30, 0x00, 0x00, 0xFF, 0x2F, 0x01, 0x00};
    return smfFile(1, 96, {eightNotes(0x90, 60), concat({early, eightNotes(0x91, 50)})});
}

// A tempo and a time signature in the first track, a note at the start of
// the second and a GM system on in the third, after the note: a handset then
// skips ahead to the second track's next event, a text that -Z would leave
// out beside the key signature of the third.
Bytes tuneWithANoteBeforeTheSetupBar() {
    const Bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58,
                             0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
    const std::vector<TickedEvent> first = {
        {0, {0x90, 0x3C, 0x64}}, {240, {0xFF, 0x01, 0x01, 'a'}}, {480, {0x80, 0x3C, 0x40}}};
    const std::vector<TickedEvent> second = {{0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                                             {240, {0xFF, 0x59, 0x02, 0x00, 0x00}},
                                             {480, {0x91, 0x40, 0x64}},
                                             {960, {0x81, 0x40, 0x40}}};
    return smfFile(1, 480,
                   {conductor, concat({trackBodyOf(first), eightNotes(0x90, 62)}), trackBodyOf(second)});
}

// 101 tracks, one more than a handset plays: it refuses the file, and
// -Z would leave the empty ones out.
Bytes tuneOfTooManyTracks() {
    std::vector<Bytes> bodies = {eightNotes(0x90, 60)};
    for (int k = 0; k < 100; ++k) bodies.push_back(endOfTrackAt(0));
    return smfFile(1, 96, bodies);
}

Bytes notesAndTexts(int cycles, bool textAlone) {
    std::vector<TickedEvent> events;
    for (int k = 0; k < cycles; ++k) {
        const uint8_t key = static_cast<uint8_t>(60 + k % 12);
        events.push_back({8 * k, {0x90, key, 0x64}});
        events.push_back({8 * k + (textAlone ? 3 : 0), {0xFF, 0x01, 0x01, 'a'}});
        events.push_back({8 * k + 6, {0x80, key, 0x40}});
    }
    return smfFile(0, 96, {trackBodyOf(events)});
}
}  // namespace

TEST(SlimRender, EveryCorpusTuneSoundsTheSameSlimmedMergedAndBoth) {
    const std::vector<std::string> tunes = corpusForThisBuild();
    if (tunes.empty()) GTEST_SKIP() << "the openttd-openmsx tunes are not installed";
    RenderTally tally;
    for (const std::string& path : tunes) expectConversionsSoundTheSame(path, readFile(path), tally);
    EXPECT_GT(tally.slimmed, 0);
    RecordProperty("renders", tally.renders);
}

TEST(SlimRender, EveryRegressionFileSoundsTheSameSlimmedMergedAndBoth) {
    RenderTally tally;
    for (const std::string& path : regressionTunePaths())
        expectConversionsSoundTheSame(path, readFile(path), tally);
    EXPECT_GT(tally.renders, 0);
}

TEST(SlimRender, ASystemMessageInATrackSoundsAsConverted) {
    // A handset reads F2 with two data bytes, F4 to F6 and F8 to FE with
    // none; the reader gives each one, so it reads what follows otherwise.
    RenderTally tally;
    for (int status = 0xF1; status <= 0xFE; ++status) {
        if (status == StatusSysExContinuation) continue;
        char name[32];
        std::snprintf(name, sizeof name, "system message %02X", status);
        expectConversionsSoundTheSame(name, tuneWithSystemMessage(static_cast<uint8_t>(status)), tally);
    }
    EXPECT_GT(tally.slimmed, 0);
}

TEST(SlimRender, WhatAHandsetReadsOtherwiseSoundsAsConverted) {
    RenderTally tally;
    expectConversionsSoundTheSame("packet after a program", tuneWithPacketAfterARepeatedProgram(), tally);
    expectConversionsSoundTheSame("note before the setup bar", tuneWithANoteBeforeTheSetupBar(), tally);
    expectConversionsSoundTheSame("too many tracks", tuneOfTooManyTracks(), tally);
}

TEST(SlimRender, AnEndOfTrackOfAnyLengthEndsTheTrack) {
    expectSlimmedSoundsTheSame("long end of track", tuneWithALongEndOfTrack());
}

TEST(SlimRender, ATextAloneAtItsTickStaysForTheClocksRounding) {
    // Division 96 at the default tempo: 1333.25 units of 1/256 ms a tick, so
    // two steps of 3 ticks come to one unit less than one step of 6. Without
    // the texts' steps the notes would drift across the synthesizer's buffers.
    expectSlimmedSoundsTheSame("texts alone", notesAndTexts(300, true));
    // Beside a note the texts go.
    const Bytes beside = notesAndTexts(300, false);
    EXPECT_LT(slimmedWith(beside, true, false).size(), beside.size() - 300 * 5);
    expectSlimmedSoundsTheSame("texts beside notes", beside);
}

TEST(SlimRender, ControllersAndProgramsThatChangeNothingGoWithoutASound) {
    const Bytes tune = controllersTune();
    expectSlimmedSoundsTheSame("controllers", tune);
    EXPECT_LT(slimmedWith(tune, true, false).size() + 40 * 3, tune.size());
}

TEST(SlimRender, TrackEndsAloneAtTheirTicksStayStepsOfTheClockInFormatZero) {
    // Notes 4 ticks apart on one track and 60 more tracks that end alone 2
    // ticks after a note: two steps of 2 ticks come to a unit more than one
    // of 4, so merged, each lost step would move the clock.
    std::vector<TickedEvent> notes;
    for (int k = 0; k < 300; ++k) {
        const uint8_t key = static_cast<uint8_t>(48 + k % 24);
        notes.push_back({4 * k + 1, {0x90, key, 0x64}});
        notes.push_back({4 * k + 5, {0x80, key, 0x40}});
    }
    std::vector<Bytes> bodies = {trackBodyOf(notes)};
    for (int k = 0; k < 60; ++k) bodies.push_back(endOfTrackAt(4 * k + 3));
    const Bytes tune = smfFile(1, 96, bodies);
    expectSlimmedSoundsTheSame("track ends alone", tune);
    Bytes formatTwo = tune;
    formatTwo[9] = 2;
    expectSlimmedSoundsTheSame("format 2", formatTwo);
}
