// The synthesizer wrapper plays a tune held in memory as the handsets' build
// plays it: to its end and no further, the same bytes always giving the same
// PCM, a render bounded for a tune that never ends, and every file the
// synthesizer refuses reported with the step and its own code.
#include "handset_synth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi_generator.h"
#include "test_support.h"

extern "C" {
#include <eas.h>
}

namespace {
constexpr int TicksPerSecond = 960;  // division 480 at the default 120 quarter notes a minute
const Bytes EndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

// One chord of the given keys, held for the given time.
Bytes chordTune(std::vector<uint8_t> keys, double seconds) {
    Bytes body;
    for (uint8_t key : keys) body = concat({body, {0x00, 0x90, key, 0x64}});
    const auto held = static_cast<uint32_t>(seconds * TicksPerSecond);
    body = concat({body, {static_cast<uint8_t>(0x80 | (held >> 7)), static_cast<uint8_t>(held & 0x7F)}});
    for (uint8_t key : keys) body = concat({body, {0x80, key, 0x40, 0x00}});
    body.pop_back();
    return smfFile(0, 480, {concat({body, EndOfTrack})});
}

// Silence after a delta time of days: it never ends within any bound.
Bytes endlessTune() {
    return smfFile(0, 480, {{0x8F, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00}});
}

struct Collected {
    std::vector<int16_t> pcm;
    std::vector<size_t> bufferFrames;
};

RenderOutcome renderInto(Collected& collected, const Bytes& tune, int polyphony, int64_t maxFrames) {
    const size_t channels = static_cast<size_t>(handsetSynthFormat().channels);
    return renderTune(tune.data(), tune.size(), polyphony, maxFrames,
                      [&collected, channels](const int16_t* samples, size_t frames) {
                          collected.pcm.insert(collected.pcm.end(), samples, samples + frames * channels);
                          collected.bufferFrames.push_back(frames);
                          return true;
                      });
}

int64_t framesOf(double seconds) {
    return static_cast<int64_t>(seconds * handsetSynthFormat().sampleRate);
}

struct Refusal {
    const char* name;
    Bytes file;
    SynthStep step;
    int32_t code;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

Bytes tracks(int count) {
    std::vector<Bytes> bodies(static_cast<size_t>(count), EndOfTrack);
    bodies[0] = concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40}, EndOfTrack});
    return smfFile(1, 480, bodies);
}
}  // namespace

TEST(SynthFormat, IsTheLibrarysBuildConfiguration) {
    const S_EAS_LIB_CONFIG* config = EAS_Config();
    const SynthFormat format = handsetSynthFormat();
    EXPECT_EQ(format.sampleRate, config->sampleRate);
    EXPECT_EQ(format.channels, config->numChannels);
    EXPECT_EQ(format.framesPerBuffer, config->mixBufferSize);
    EXPECT_EQ(format.maxVoices, config->maxVoices);
}

TEST(SynthPlay, ATunePlaysToItsEndAndItsReleaseOnly) {
    Collected collected;
    const RenderOutcome outcome = renderInto(collected, chordTune({60, 64, 67}, 2.0), 64, framesOf(60));
    EXPECT_EQ(outcome.error.step, SynthStep::None);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.noteCount, 3);
    EXPECT_GE(outcome.frames, framesOf(2.0));
    EXPECT_LT(outcome.frames, framesOf(3.0)) << "the release of three notes lasts well under a second";
    EXPECT_EQ(collected.pcm.size(), static_cast<size_t>(outcome.frames * handsetSynthFormat().channels));
}

TEST(SynthPlay, TheSameBytesGiveTheSamePcmEveryTime) {
    const Bytes tune = generateMidiFile(5);
    const std::vector<int16_t> first = renderWholePcm(tune, 64);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(renderWholePcm(tune, 64), first);
    EXPECT_NE(renderWholePcm(chordTune({60}, 1.0), 64), first);
}

TEST(SynthPlay, BuffersComeAtMostOneMixBufferAtATimeAndMakeTheWholePcm) {
    const Bytes tune = chordTune({48, 55}, 1.0);
    Collected collected;
    renderInto(collected, tune, 64, framesOf(60));
    ASSERT_FALSE(collected.bufferFrames.empty());
    for (size_t frames : collected.bufferFrames)
        EXPECT_LE(frames, static_cast<size_t>(handsetSynthFormat().framesPerBuffer));
    EXPECT_EQ(collected.pcm, renderWholePcm(tune, 64));
}

TEST(SynthPlay, FewerVoicesPlayAChordOtherwise) {
    const Bytes tune = chordTune({60, 64, 67, 72}, 1.0);
    EXPECT_NE(renderWholePcm(tune, 1), renderWholePcm(tune, 64));
    EXPECT_EQ(renderWholePcm(tune, 4), renderWholePcm(tune, 64)) << "four voices are enough for four notes";
}

TEST(SynthBound, ATuneThatNeverEndsStopsAtTheBoundExactly) {
    Collected collected;
    const int64_t bound = 1000;  // not a whole number of buffers
    const RenderOutcome outcome = renderInto(collected, endlessTune(), 64, bound);
    EXPECT_EQ(outcome.error.step, SynthStep::None);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.frames, bound);
    EXPECT_EQ(collected.pcm.size(), static_cast<size_t>(bound * handsetSynthFormat().channels));
}

TEST(SynthBound, TheWholePcmOfAnEndlessTuneIsTenMinutes) {
    EXPECT_EQ(renderWholePcm(endlessTune(), 64).size(),
              static_cast<size_t>(framesOf(MaxRenderSeconds) * handsetSynthFormat().channels));
}

TEST(SynthSink, ASinkThatRefusesEndsTheRender) {
    const Bytes tune = chordTune({60}, 2.0);
    int buffers = 0;
    const RenderOutcome outcome = renderTune(tune.data(), tune.size(), 64, framesOf(60),
                                             [&buffers](const int16_t*, size_t) { return ++buffers < 3; });
    EXPECT_TRUE(outcome.sinkFailed);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(buffers, 3);
    EXPECT_EQ(outcome.frames, 2 * handsetSynthFormat().framesPerBuffer)
        << "the refused buffer is not counted";
}

TEST(SynthPolyphony, OnlyTheVoicesTheSynthesizerHasAreAccepted) {
    const Bytes tune = chordTune({60}, 0.1);
    for (int voices : {0, -1, 65, 1000}) {
        HandsetSynth synth(tune.data(), tune.size());
        EXPECT_FALSE(synth.open(voices)) << voices;
        EXPECT_EQ(synth.error().step, SynthStep::Polyphony) << voices;
        EXPECT_EQ(synth.error().code, EAS_ERROR_PARAMETER_RANGE) << voices;
    }
    for (int voices : {1, 64}) {
        HandsetSynth synth(tune.data(), tune.size());
        EXPECT_TRUE(synth.open(voices)) << voices;
    }
}

class SynthRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(SynthRefusal, IsReportedWithItsStepCodeAndMeaning) {
    const Refusal& refusal = GetParam();
    HandsetSynth synth(refusal.file.data(), refusal.file.size());
    std::vector<int16_t> pcm;
    const bool played = synth.open(64) && synth.renderBuffer(pcm);
    EXPECT_FALSE(played);
    EXPECT_EQ(synth.error().step, refusal.step);
    EXPECT_EQ(synth.error().code, refusal.code);
    EXPECT_NE(synthCodeMeaning(synth.error().code), nullptr);
    EXPECT_TRUE(renderWholePcm(refusal.file, 64).empty());
}

const Bytes OneNote = {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};

INSTANTIATE_TEST_SUITE_P(
    FilesItCannotPlay, SynthRefusal,
    ::testing::Values(
        Refusal{"empty", {}, SynthStep::Open, EAS_EOF},
        Refusal{"RIFF",
                {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
                SynthStep::Open,
                EAS_ERROR_UNRECOGNIZED_FORMAT},
        Refusal{"junk before the header", concat({{'j', 'u', 'n', 'k'}, smfFile(0, 480, {OneNote})}),
                SynthStep::Open, EAS_ERROR_UNRECOGNIZED_FORMAT},
        Refusal{"header cut short", {'M', 'T', 'h', 'd', 0, 0}, SynthStep::Prepare, EAS_ERROR_FILE_FORMAT},
        Refusal{"no tracks", smfHeaderChunk(1, 0, 480), SynthStep::Prepare, EAS_ERROR_PARAMETER_RANGE},
        Refusal{"101 tracks", tracks(101), SynthStep::Prepare, EAS_ERROR_MAX_FILES_OPEN},
        Refusal{"129 tracks", tracks(129), SynthStep::Prepare, EAS_ERROR_MAX_FILES_OPEN},
        Refusal{"a track chunk missing", concat({smfHeaderChunk(1, 3, 480), trackChunk(OneNote)}),
                SynthStep::Prepare, EAS_ERROR_FILE_FORMAT},
        Refusal{"an empty track chunk", smfFile(0, 480, {{}}), SynthStep::Prepare, EAS_ERROR_FILE_FORMAT},
        Refusal{"a text event past the end", smfFile(0, 480, {{0x00, 0xFF, 0x01, 0x7F, 0x41}}),
                SynthStep::Render, EAS_ERROR_FILE_SEEK}));

TEST(SynthTracks, AHundredTracksStillPlay) {
    EXPECT_FALSE(renderWholePcm(tracks(100), 64).empty());
}

TEST(SynthMisuse, NothingPlaysBeforeAnOpenOrAfterAFailure) {
    const Bytes tune = chordTune({60}, 0.1);
    std::vector<int16_t> pcm;
    HandsetSynth unopened(tune.data(), tune.size());
    EXPECT_FALSE(unopened.renderBuffer(pcm));
    EXPECT_EQ(unopened.error().step, SynthStep::Render);

    HandsetSynth refused(tune.data(), tune.size());
    EXPECT_FALSE(refused.open(0));
    EXPECT_FALSE(refused.renderBuffer(pcm));
    EXPECT_EQ(refused.error().step, SynthStep::Polyphony) << "the first failure is the one reported";

    HandsetSynth twice(tune.data(), tune.size());
    EXPECT_TRUE(twice.open(64));
    EXPECT_FALSE(twice.open(64));
}
