// Slimming is judged by the handset synthesizer itself: the render of every
// slimmed, merged, or slimmed and merged file is sample for sample the
// render of the plain conversion, for the real tunes of the corpus, the
// regression files and tunes made to press each rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "handset_synth.h"
#include "handset_tunes.h"
#include "job/converted_file.h"
#include "slim/slim_settings.h"
#include "slim/slimming.h"
#include "smf/delta_time.h"
#include "test_support.h"

namespace {
constexpr int FullPolyphony = 64;

// What a render is, held as its length and a hash of its samples.
struct RenderPrint {
    bool refused = false;
    int64_t frames = 0;
    uint64_t hash = 0;
    bool operator==(const RenderPrint& other) const {
        return refused == other.refused && frames == other.frames && hash == other.hash;
    }
};

void PrintTo(const RenderPrint& print, std::ostream* out) {
    if (print.refused)
        *out << "refused";
    else
        *out << print.frames << " frames, hash " << std::hex << print.hash << std::dec;
}

RenderPrint renderPrint(const Bytes& tune) {
    constexpr uint64_t FnvOffset = 0xCBF29CE484222325ull;
    constexpr uint64_t FnvPrime = 0x100000001B3ull;
    const SynthFormat format = handsetSynthFormat();
    const size_t channels = static_cast<size_t>(format.channels);
    RenderPrint print;
    print.hash = FnvOffset;
    const RenderOutcome outcome = renderTune(
        tune.data(), tune.size(), FullPolyphony, static_cast<int64_t>(MaxRenderSeconds) * format.sampleRate,
        [&print, channels](const int16_t* samples, size_t frames) {
            for (size_t i = 0; i < frames * channels; ++i)
                print.hash = (print.hash ^ static_cast<uint16_t>(samples[i])) * FnvPrime;
            return true;
        });
    print.refused = outcome.error.step != SynthStep::None;
    print.frames = outcome.frames;
    return print;
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
    const RenderPrint expected = renderPrint(plain);
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
        const RenderPrint print = renderPrint(made);
        ++tally.renders;
        if (expected.refused)
            EXPECT_TRUE(print.refused) << name << " " << variant.options;
        else
            EXPECT_EQ(print, expected) << name << " " << variant.options;
    }
}

// A source converted as quavel converts it, at the default level and at level 2.
void expectConversionsSoundTheSame(const std::string& path, RenderTally& tally) {
    const Bytes source = readFile(path);
    for (int level : {1, 2}) {
        const Bytes plain = convertForHandset(source, level, SlimSettings()).bytes;
        ASSERT_FALSE(plain.empty()) << path;
        expectVariantsSoundAsThePlainFile(
            path + " -D" + std::to_string(level), plain,
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
    for (const std::string& path : tunes) expectConversionsSoundTheSame(path, tally);
    EXPECT_GT(tally.slimmed, 0);
    RecordProperty("renders", tally.renders);
}

TEST(SlimRender, EveryRegressionFileSoundsTheSameSlimmedMergedAndBoth) {
    RenderTally tally;
    for (const std::string& path : regressionTunePaths()) expectConversionsSoundTheSame(path, tally);
    EXPECT_GT(tally.renders, 0);
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
