#include <gtest/gtest.h>

#include "job/process_records.h"
#include "midi_generator.h"
#include "pass/file_pass.h"
#include "smf/mtrk.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
DecodedEvent channel(int32_t delta, Bytes bytes) {
    return {delta, EVENT_CHANNEL, std::move(bytes)};
}
DecodedEvent meta(int32_t delta, Bytes bytes) {
    return {delta, EVENT_META, std::move(bytes)};
}
const Bytes endOfTrack = {0xFF, 0x2F, 0x00};
}  // namespace

TEST(TrackReader, ResolvesRunningStatusForEveryChannelMessageShape) {
    EXPECT_EQ(decodeBody({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}),
              (std::vector<DecodedEvent>{channel(0, {0x90, 0x3C, 0x64}), channel(96, {0x90, 0x3C, 0x00}),
                                         meta(0, endOfTrack)}));
    EXPECT_EQ(decodeBody({0x00, 0xC5, 0x07, 0x00, 0x08}),
              (std::vector<DecodedEvent>{channel(0, {0xC5, 0x07}), channel(0, {0xC5, 0x08})}));
    EXPECT_EQ(decodeBody({0x00, 0xE1, 0x00, 0x40, 0x05, 0x10, 0x41}),
              (std::vector<DecodedEvent>{channel(0, {0xE1, 0x00, 0x40}), channel(5, {0xE1, 0x10, 0x41})}));
    // System bytes other than F0, F7 and FF are taken as two-byte messages.
    EXPECT_EQ(decodeBody({0x00, 0xF8, 0x01, 0x00, 0x02}),
              (std::vector<DecodedEvent>{channel(0, {0xF8, 0x01}), channel(0, {0xF8, 0x02})}));
}

TEST(TrackReader, RunningStatusSurvivesMetaAndSysExEvents) {
    EXPECT_EQ(decodeBody(
                  {0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3E, 0x50}),
              (std::vector<DecodedEvent>{channel(0, {0x90, 0x3C, 0x64}),
                                         meta(0, {0xFF, 0x01, 0x00}),
                                         {0, EVENT_SYSEX, {0xF0, 0x01, 0xF7}},
                                         channel(0, {0x90, 0x3E, 0x50})}));
}

TEST(TrackReader, RunningStatusCarriesIntoTheNextTrackButNotIntoTheNextPass) {
    ASSERT_TRUE(loadSource(smfFile(1, 96, {{0x00, 0x91, 0x3C, 0x64}, {0x00, 0x3E, 0x50}})));
    for (int pass = 0; pass < 2; ++pass) {
        const auto tracks = decodeTracks(2);
        ASSERT_EQ(tracks.size(), 2u);
        EXPECT_EQ(tracks[1], (std::vector<DecodedEvent>{channel(0, {0x91, 0x3E, 0x50})}));
    }
    // A file whose first track starts with a data byte: the same in every pass.
    ASSERT_TRUE(loadSource(smfFile(0, 96, {{0x00, 0x3C, 0x64, 0x00, 0x3E, 0x50}})));
    for (int pass = 0; pass < 2; ++pass) {
        const auto tracks = decodeTracks(1);
        ASSERT_EQ(tracks.size(), 1u);
        EXPECT_EQ(tracks[0], (std::vector<DecodedEvent>{{0, EVENT_NO_STATUS, {0x80, 0x3C, 0x64}},
                                                        channel(0, {0x80, 0x3E, 0x50})}));
    }
}

TEST(TrackReader, DeliversMetaAndSysExWithTheirLengthBytes) {
    EXPECT_EQ(decodeBody({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}),
              (std::vector<DecodedEvent>{{0, EVENT_SYSEX, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}}));
    for (int length : {127, 128, 200, 16384}) {
        Bytes text = {0xFF, 0x01};
        uint8_t encoded[4];
        const int n = encodeVarLen(length, encoded);
        text.insert(text.end(), encoded, encoded + n);
        text.insert(text.end(), static_cast<size_t>(length), 'x');
        Bytes body = concat({{0x00}, text, {0x81, 0x00, 0x90, 0x3C, 0x64}});
        const auto events = decodeBody(body);
        ASSERT_EQ(events.size(), 2u) << length;
        EXPECT_EQ(events[0], meta(0, text));
        EXPECT_EQ(events[1], channel(128, {0x90, 0x3C, 0x64}));
    }
    EXPECT_EQ(decodeBody({0x00, 0xF7, 0x81, 0x00}).size(), 0u);  // announces 128 bytes, has none
}

TEST(TrackReader, DeltaTimesOfEveryWidth) {
    const auto events = decodeBody({0x81, 0x80, 0x00, 0xC0, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x02});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].delta, 16384);
    EXPECT_EQ(events[1].delta, 268435455);
}

TEST(TrackReader, MatchesComparesAPrefixOfTheCurrentEvent) {
    ASSERT_TRUE(loadSource(
        smfFile(0, 96, {{0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}})));
    FilePass pass = defaultFilePass();
    beginFilePass(pass);
    ASSERT_EQ(trackReader.load(inputFile), 1);
    ASSERT_EQ(trackReader.nextEvent(), 7);
    EXPECT_EQ(trackReader.matches(PATTERN_TIMESIG_4_4, 5), 1);
    EXPECT_EQ(trackReader.matches(PATTERN_TIMESIG_1_4, 5), 0);
    ASSERT_EQ(trackReader.nextEvent(), 3);
    EXPECT_EQ(trackReader.matches(PATTERN_TIMESIG_4_4, 5), 0);
    EXPECT_EQ(trackReader.matches(PATTERN_END_OF_TRACK, 3), 1);
    EXPECT_EQ(trackReader.matches(nullptr, 0), 1);
    EXPECT_EQ(trackReader.nextEvent(), 0);
}

TEST(TrackReader, ChunksOfAnotherKindAreSkippedWhole) {
    const Bytes alien = {'X', 'F', 'I', 'H', 0, 0, 0, 4, 'M', 'T', 'r', 'k'};
    const Bytes file = concat(
        {smfHeaderChunk(1, 2, 96), trackChunk({0x00, 0xC0, 0x01}), alien, trackChunk({0x00, 0xC1, 0x02})});
    ASSERT_TRUE(loadSource(file));
    const auto tracks = decodeTracks(2);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[1], (std::vector<DecodedEvent>{channel(0, {0xC1, 0x02})}));

    // An alien chunk at the end, and one announcing more than the file holds.
    ASSERT_TRUE(loadSource(concat({smfHeaderChunk(1, 2, 96), trackChunk({0x00, 0xC0, 0x01}), alien})));
    EXPECT_EQ(decodeTracks(2).size(), 1u);
    ASSERT_TRUE(
        loadSource(concat({smfHeaderChunk(1, 2, 96), {'J', 'U', 'N', 'K', 0x7F, 0xFF, 0xFF, 0xFF, 1, 2}})));
    EXPECT_EQ(decodeTracks(2).size(), 0u);
}

TEST(TrackReader, ATruncatedBodyEndsAtItsLastCompleteEvent) {
    // The body announces 100 bytes but the file ends inside the second event.
    Bytes file = concat(
        {smfHeaderChunk(0, 1, 96), {'M', 'T', 'r', 'k', 0, 0, 0, 100}, {0x00, 0x90, 0x3C, 0x64, 0x60, 0x3E}});
    ASSERT_TRUE(loadSource(file));
    FilePass pass = defaultFilePass();
    beginFilePass(pass);
    ASSERT_EQ(trackReader.load(inputFile), 1);
    EXPECT_EQ(trackReader.length, 6);
    ASSERT_EQ(trackReader.nextEvent(), 3);
    EXPECT_EQ(trackReader.nextEvent(), 0);
    EXPECT_EQ(trackReader.delta, 0);
    EXPECT_EQ(trackReader.runningStatus, 0x90);
    EXPECT_EQ(trackReader.nextEvent(), 0);

    // A length of 2^31 or more is taken as the bytes present.
    file = concat({smfHeaderChunk(0, 1, 96), {'M', 'T', 'r', 'k', 0x80, 0, 0, 0}, {0x00, 0xC0, 0x05}});
    ASSERT_TRUE(loadSource(file));
    beginFilePass(pass);
    ASSERT_EQ(trackReader.load(inputFile), 1);
    EXPECT_EQ(trackReader.length, 3);
}

TEST(TrackReader, EveryTruncationPointOfARealFileIsSafe) {
    GeneratorOptions options;
    options.eventsPerTrack = 40;
    options.maxMetaLength = 140;
    const Bytes whole = generateMidiFile(7, options);
    const int wholeEvents = [&] {
        loadSource(whole);
        int count = 0;
        for (const auto& track : decodeTracks(options.trackCount)) count += static_cast<int>(track.size());
        return count;
    }();
    int previous = 0;
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        ASSERT_TRUE(loadSource(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))));
        int count = 0;
        for (const auto& track : decodeTracks(options.trackCount)) count += static_cast<int>(track.size());
        EXPECT_GE(count, previous) << "cut at " << cut;  // more bytes never decode fewer events
        previous = count;
    }
    EXPECT_EQ(previous, wholeEvents);
}

TEST(TrackReader, LoadFailsWithoutAFileOrAChunkHeader) {
    VFILE empty;
    EXPECT_EQ(trackReader.load(empty), 0);
    ASSERT_TRUE(loadSource(concat({smfHeaderChunk(0, 1, 96), {'M', 'T', 'r', 'k', 0, 0}})));
    EXPECT_EQ(decodeTracks(1).size(), 0u);
}
