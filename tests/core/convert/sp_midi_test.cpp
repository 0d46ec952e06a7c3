#include "convert/sp_midi.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "playing/mip_measure.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
using Mips = std::vector<std::pair<int, int>>;  // channel, MIP in priority order

const Bytes End = {0x00, 0xFF, 0x2F, 0x00};

Mips mipsOf(const Bytes& file, const std::vector<int>& given = {}) {
    Mips mips;
    std::vector<SpMidiEntry> entries;
    EXPECT_TRUE(computeSpMidiMips(file.data(), file.size(), given, entries).ok());
    for (const SpMidiEntry& entry : entries) mips.emplace_back(entry.channel, entry.mip);
    return mips;
}

Mips mipsOfTracks(int format, const std::vector<Bytes>& bodies, const std::vector<int>& given = {}) {
    return mipsOf(smfFile(format, 480, bodies), given);
}

class SpMidiConversion : public ::testing::Test {
protected:
    void SetUp() override {
        startConversionTest(true);
        job = jobFromConvertOptions();
    }

    std::vector<Bytes> convert(const std::vector<Bytes>& bodies) {
        EXPECT_TRUE(loadSource(smfFile(1, 480, bodies)));
        EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
        FilePass pass = defaultFilePass();
        ConvertedFile made;
        EXPECT_TRUE(makeConvertedFile(pass, job, 1920, made).ok());
        return chunkBodies(made.bytes);
    }

    Job job;
};
}  // namespace

TEST(SpMidiMips, ChordsAcrossTracksShareOneTimeLine) {
    // Channel 0: a two-note chord 0..480. Channel 1: a three-note chord 240..720.
    const Bytes low = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x90, 0x40, 0x64, 0x83, 0x60, 0x80,
                       0x3C, 0x40, 0x00, 0x80, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes high = {0x81, 0x70, 0x91, 0x48, 0x64, 0x00, 0x4C, 0x64, 0x00, 0x4F, 0x64, 0x83, 0x60,
                        0x81, 0x48, 0x40, 0x00, 0x4C, 0x40, 0x00, 0x4F, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(mipsOfTracks(1, {End, low, high}), (Mips{{0, 2}, {1, 5}}));
    EXPECT_EQ(mipsOfTracks(1, {End, low, high}, {1}), (Mips{{1, 3}, {0, 5}}));
    // Format 0 with both channels in one track: the same time line.
    const Bytes both = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x81, 0x70, 0x91, 0x48, 0x64, 0x00, 0x4C,
                        0x64, 0x00, 0x4F, 0x64, 0x81, 0x70, 0x80, 0x3C, 0x40, 0x00, 0x40, 0x40, 0x81, 0x70,
                        0x81, 0x48, 0x40, 0x00, 0x4C, 0x40, 0x00, 0x4F, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(mipsOfTracks(0, {both}), (Mips{{0, 2}, {1, 5}}));
}

TEST(SpMidiMips, CountsAreTakenAfterEveryEventOfATick) {
    // Channel 0 is released at 480 in one track while channel 1 starts at 480 in another.
    const Bytes first = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x83, 0x60, 0x80,
                         0x3C, 0x40, 0x00, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes second = {0x83, 0x60, 0x91, 0x48, 0x64, 0x00, 0x4C, 0x64, 0x00, 0x4F, 0x64, 0x83, 0x60,
                          0x48, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x4F, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(mipsOfTracks(1, {second, first}), (Mips{{0, 2}, {1, 3}}));
    // Released and struck again at one tick: one note sounds throughout.
    EXPECT_EQ(mipsOfTracks(0, {{0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0x90,
                                0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}}),
              (Mips{{0, 1}}));
    // A start and an earlier note's release at one tick, the start first: never two.
    EXPECT_EQ(mipsOfTracks(0, {{0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3E, 0x64, 0x00, 0x80, 0x3C,
                                0x40, 0x83, 0x60, 0x80, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00}}),
              (Mips{{0, 1}}));
}

TEST(SpMidiMips, AReStruckKeyStaysOneNote) {
    // Key 60 struck twice, released once at 200; keys 62 and 64 start at 300.
    const Bytes body = {0x00, 0x90, 0x3C, 0x64, 0x64, 0x3C, 0x50, 0x64, 0x80, 0x3C, 0x40, 0x64, 0x90, 0x3E,
                        0x64, 0x00, 0x40, 0x64, 0x64, 0x3E, 0x00, 0x00, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(mipsOfTracks(0, {body}), (Mips{{0, 2}}));
    // A release of a key that does not sound changes nothing.
    const Bytes stray = {0x00, 0x80, 0x30, 0x40, 0x00, 0x90, 0x3C, 0x64,
                         0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(mipsOfTracks(0, {stray}), (Mips{{0, 1}}));
}

TEST(SpMidiMips, Format2TracksPlayTogetherAsInEveryFormat) {
    const Bytes three = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x00, 0x43, 0x64, 0x60, 0x3C,
                         0x00, 0x00, 0x40, 0x00, 0x00, 0x43, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes two = {0x00, 0x91, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x60, 0x3C,
                       0x00, 0x00, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    // The synthesizer does not read the format field: 3 and 2 notes sound together.
    EXPECT_EQ(mipsOfTracks(2, {three, two}), (Mips{{0, 3}, {1, 5}}));
    EXPECT_EQ(mipsOfTracks(2, {three, two}, {1}), (Mips{{1, 2}, {0, 5}}));
    EXPECT_EQ(mipsOfTracks(1, {three, two}), mipsOfTracks(2, {three, two}));
}

TEST(SpMidiMips, ValuesAbove127AreWrittenAs127) {
    // All 128 keys of channel 9, then one note of channel 0 over them.
    Bytes body = {0x00, 0x99, 0x00, 0x64};
    for (uint8_t key = 1; key < 128; ++key) body.insert(body.end(), {0x00, key, 0x64});
    body.insert(body.end(), {0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(mipsOfTracks(0, {body}), (Mips{{9, 127}, {0, 127}}));
    EXPECT_EQ(mipsOfTracks(0, {body}, {0}), (Mips{{0, 1}, {9, 127}}));
}

TEST(SpMidiMips, OnlyChannelsWithNotesAreListed) {
    // A program change on channel 2 and a release on channel 3 are no notes.
    const Bytes body = {0x00, 0xC2, 0x05, 0x00, 0x83, 0x3C, 0x40, 0x00, 0x9C, 0x3C, 0x64, 0x00,
                        0x99, 0x24, 0x64, 0x60, 0x9C, 0x3C, 0x00, 0x00, 0x99, 0x24, 0x00, 0x00,
                        0x95, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    // Default order: 9, then 0..8, then 10..15.
    EXPECT_EQ(mipsOfTracks(0, {body}), (Mips{{9, 1}, {5, 1}, {12, 2}}));
    // Given channels first; ones without notes leave no gap; the rest follow in the default order.
    EXPECT_EQ(mipsOfTracks(0, {body}, {12}), (Mips{{12, 1}, {9, 2}, {5, 2}}));
    EXPECT_EQ(mipsOfTracks(0, {body}, {3, 5, 2}), (Mips{{5, 1}, {9, 1}, {12, 2}}));
    EXPECT_EQ(mipsOfTracks(0, {End}), Mips{});
}

TEST(SpMidiMips, BrokenFilesGiveWhatTheyHold) {
    EXPECT_EQ(mipsOf({}), Mips{});
    EXPECT_EQ(mipsOf({'M', 'T', 'h', 'd', 0, 0}), Mips{});
    // A track chunk cut short: the notes before the cut count.
    Bytes cut = smfFile(0, 480, {{0x00, 0x90, 0x3C, 0x64, 0x00, 0x90, 0x3E, 0x64, 0x60, 0x3C, 0x00}});
    cut.resize(cut.size() - 3);
    EXPECT_EQ(mipsOf(cut), (Mips{{0, 2}}));
    // An alien chunk between tracks is stepped over.
    const Bytes alien = concat({smfHeaderChunk(1, 1, 480),
                                {'X', 'x', 'x', 'x', 0, 0, 0, 2, 0x90, 0x3C},
                                trackChunk({0x00, 0x93, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00})});
    EXPECT_EQ(mipsOf(alien), (Mips{{3, 1}}));
}

TEST(SpMidiPriorityText, HexadecimalDigitsEachChannelOnce) {
    std::vector<int> given = {7};
    EXPECT_TRUE(parseSpMidiPriority("9012", given));
    EXPECT_EQ(given, (std::vector<int>{9, 0, 1, 2}));
    EXPECT_TRUE(parseSpMidiPriority("fA", given));
    EXPECT_EQ(given, (std::vector<int>{15, 10}));
    EXPECT_TRUE(parseSpMidiPriority("", given));
    EXPECT_TRUE(given.empty());
    given = {7};
    for (const char* bad : {"9x", "99", "aA", " 1", "1:"}) {
        EXPECT_FALSE(parseSpMidiPriority(bad, given)) << bad;
        EXPECT_EQ(given, std::vector<int>{7}) << bad;
    }
    EXPECT_EQ(spMidiChannelOrder({}),
              (std::vector<int>{9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(spMidiChannelOrder({3, 9, 3, 16, -1}),
              (std::vector<int>{3, 9, 0, 1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}));
}

TEST(SpMidiMessage, BytesAndRecognition) {
    const Bytes message = spMidiMessage({{9, 1}, {0, 4}});
    EXPECT_EQ(message, (Bytes{0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x09, 0x01, 0x00, 0x04, 0xF7}));
    EXPECT_TRUE(spMidiMessage({}).empty());
    EXPECT_EQ(spMidiMessage({{3, 300}}), (Bytes{0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x03, 0x7F, 0xF7}));
    EXPECT_TRUE(isSpMidiMipMessage(message.data(), static_cast<int32_t>(message.size())));
    const Bytes otherDevice = {0xF0, 0x05, 0x7F, 0x10, 0x0B, 0x01, 0xF7};
    EXPECT_TRUE(isSpMidiMipMessage(otherDevice.data(), 7));
    for (const Bytes& other : {Bytes{0xF7, 0x05, 0x7F, 0x7F, 0x0B, 0x01, 0xF7},  // not a SysEx start
                               Bytes{0xF0, 0x05, 0x7E, 0x7F, 0x0B, 0x01, 0xF7},  // non-real-time
                               Bytes{0xF0, 0x05, 0x7F, 0x7F, 0x0B, 0x02, 0xF7},  // another sub-ID
                               Bytes{0xF0, 0x03, 0x7F, 0x7F, 0x0B},              // too short
                               Bytes{0xF0, 0x05, 0x7F, 0x7F, 0x0B}, Bytes{0xF0}})
        EXPECT_FALSE(isSpMidiMipMessage(other.data(), static_cast<int32_t>(other.size()))) << hexText(other);
}

TEST(SpMidiMessage, GoesFirstInTheFirstTrackChunkWhateverItsLength) {
    std::vector<SpMidiEntry> all;
    for (int channel = 0; channel < ChannelCount; ++channel) all.push_back({channel, channel + 1});
    const Bytes message = spMidiMessage(all);
    const Bytes alien = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    Bytes file = concat({smfHeaderChunk(1, 2, 96), alien, trackChunk(End), trackChunk(End)});
    ASSERT_TRUE(insertLeadingEvent(file, message));
    EXPECT_EQ(Bytes(file.begin() + SmfHeaderSize, file.begin() + SmfHeaderSize + 10), alien);
    EXPECT_EQ(chunkBodies(concat({Bytes(file.begin(), file.begin() + SmfHeaderSize),
                                  Bytes(file.begin() + SmfHeaderSize + 10, file.end())})),
              (std::vector<Bytes>{concat({{0x00}, message, End}), End}));

    // No whole track chunk: nothing changes.
    for (Bytes bare : {smfHeaderChunk(1, 0, 96),
                       concat({smfHeaderChunk(1, 1, 96), {'M', 'T', 'r', 'k', 0, 0, 0, 9, 0}})}) {
        const Bytes before = bare;
        EXPECT_FALSE(insertLeadingEvent(bare, message));
        EXPECT_EQ(bare, before);
    }
}

TEST_F(SpMidiConversion, SourceMipMessagesGiveWayToTheMeasuredOne) {
    // A MIP message at 96 and another device's at 0 in the second track; a text event 32 after the first.
    const Bytes first = {0x60, 0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x05, 0xF7,
                         0x20, 0xFF, 0x01, 0x01, 0x41, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes second = {0x00, 0xF0, 0x05, 0x7F, 0x22, 0x0B, 0x01, 0xF7, 0x10, 0x90,
                          0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    // Without SP-MIDI output they are copied like any SysEx.
    EXPECT_EQ(convert({first, second}), (std::vector<Bytes>{first, second}));
    job.spMidi.enabled = 1;
    const Bytes message = {0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x01, 0xF7};
    EXPECT_EQ(
        convert({first, second}),
        (std::vector<Bytes>{concat({message, {0x81, 0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0xFF, 0x2F, 0x00}}),
                            {0x10, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}}));
    // No notes to measure: the source's messages still go, none comes in.
    EXPECT_EQ(convert({first})[0], (Bytes{0x81, 0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_TRUE(fatalErrors.empty());
}

TEST_F(SpMidiConversion, TheFileMadeInMemoryIsTheFileWritten) {
    const Bytes source =
        smfFile(1, 480, {End, {0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
    ASSERT_TRUE(loadSource(source));
    ASSERT_EQ(checkSmfHeader(inputFile.data), 1);
    job.spMidi.enabled = 1;
    FilePass pass = defaultFilePass();
    ConvertedFile made;
    made.bytes = {1, 2, 3};
    ASSERT_TRUE(makeConvertedFile(pass, job, 1920, made).ok());
    ASSERT_TRUE(writeWholeFile("out.mid", made.bytes).ok());
    EXPECT_EQ(made.bytes, readFile("out.mid"));
    EXPECT_EQ(made.mips.size(), 1u);
    EXPECT_EQ(mipsOf(made.bytes), (Mips{{0, 1}}));
    // Without SP-MIDI, the job's file is the one the process-wide form writes.
    job.spMidi.enabled = 0;
    ASSERT_TRUE(makeConvertedFile(pass, job, 1920, made).ok());
    convertMidiFile("out.mid", 1920);
    EXPECT_EQ(made.bytes, readFile("out.mid"));
}
