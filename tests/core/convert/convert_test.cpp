#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
const Bytes EndOnly = {0x00, 0xFF, 0x2F, 0x00};
// Two notes from 0 to 480, already ordered releases first.
const Bytes TwoNotes = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x90, 0x40, 0x64, 0x83, 0x60, 0x80,
                        0x3C, 0x40, 0x00, 0x80, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00};

Bytes convertSource(const Bytes& source, int32_t tuneLength, const std::string& outputPath = "out.mid") {
    EXPECT_TRUE(loadSource(source));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    convertMidiFile(outputPath.c_str(), tuneLength);
    return readFile(outputPath);
}

std::vector<Bytes> convertTracks(const std::vector<Bytes>& bodies, int32_t tuneLength) {
    const Bytes output = convertSource(smfFile(1, 480, bodies), tuneLength);
    EXPECT_TRUE(fatalErrors.empty());
    return chunkBodies(output);
}

Bytes convertFirstTrack(const Bytes& body, int32_t tuneLength) {
    const auto bodies = convertTracks({body}, tuneLength);
    return bodies.size() == 1 ? bodies[0] : Bytes{'?'};
}

// A track after a first track that holds only its End of Track.
Bytes convertLaterTrack(const Bytes& body, int32_t tuneLength) {
    const auto bodies = convertTracks({EndOnly, body}, tuneLength);
    return bodies.size() == 2 ? bodies[1] : Bytes{'?'};
}

class Conversion : public ::testing::Test {
protected:
    void SetUp() override { startConversionTest(); }
};
}  // namespace

TEST_F(Conversion, WorkedExamplesOfEveryLevel) {
    const Bytes levelOne = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x83, 0x60, 0x80,
                            0x3C, 0x40, 0x00, 0x40, 0x40, 0x8B, 0x20, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(convertLaterTrack(TwoNotes, 1920), levelOne);
    ConvertOptions.detectLevel = 0;
    EXPECT_EQ(convertLaterTrack(TwoNotes, 1920), levelOne);
    ConvertOptions.detectLevel = 2;
    EXPECT_EQ(convertLaterTrack(TwoNotes, 1920),
              Bytes({0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x40, 0x00, 0x8B,
                     0x20, 0xFF, 0x2F, 0x00}));
    ConvertOptions.detectLevel = 7;  // acts as 2
    EXPECT_EQ(convertLaterTrack(TwoNotes, 1920)[9], 0x3C);
    ConvertOptions.detectLevel = 1;
    ConvertOptions.noTimeDetect = 1;
    EXPECT_EQ(convertLaterTrack(TwoNotes, 1920),
              Bytes({0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0x40, 0x40,
                     0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, OneInstantIsWrittenReleasesFirst) {
    EXPECT_EQ(convertLaterTrack({0x00, 0x90, 0x3C, 0x64, 0x00, 0x80, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00}, 0),
              Bytes({0x00, 0x80, 0x3E, 0x40, 0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, AnyEventOfALaterInstantClosesTheGroup) {
    ConvertOptions.noTimeDetect = 1;
    // Controllers carry the time between the notes.
    EXPECT_EQ(convertLaterTrack({0x00, 0x90, 0x3C, 0x64, 0x60, 0xB0, 0x07, 0x64, 0x00, 0x80, 0x3C, 0x40,
                                 0x60, 0xB0, 0x07, 0x50, 0x00, 0x90, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00},
                                0),
              Bytes({0x00, 0x90, 0x3C, 0x64, 0x60, 0xB0, 0x07, 0x64, 0x00, 0x80, 0x3C, 0x40,
                     0x60, 0xB0, 0x07, 0x50, 0x00, 0x90, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
    // So do dropped events: the 1/4 time signature at 96 closes the instant at 0.
    ConvertOptions.noTimeDetect = 0;
    EXPECT_EQ(convertFirstTrack({0x00, 0x90, 0x3C, 0x64, 0x60, 0xFF, 0x58, 0x04, 0x01, 0x02,
                                 0x18, 0x08, 0x00, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
                                0),
              Bytes({0x00, 0x90, 0x3C, 0x64, 0x00, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, AnEventOfAHeldInstantIsWrittenAtThatInstantAheadOfItsNotes) {
    ConvertOptions.noTimeDetect = 1;
    // The sustain release at 480 keeps its time; the notes of 480 follow it.
    EXPECT_EQ(convertLaterTrack({0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xB0,
                                 0x40, 0x00, 0x00, 0x90, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00},
                                0),
              Bytes({0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0xB0, 0x40, 0x00, 0x00, 0x80,
                     0x3C, 0x40, 0x00, 0x90, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, AnInstantOfMoreThan64NotesGoesOnInANewGroup) {
    Bytes body = {0x0A, 0x90, 0x00, 0x64};
    for (uint8_t key = 1; key < 65; ++key) body.insert(body.end(), {0x00, key, 0x64});
    body.insert(body.end(), {0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00});  // the 66th, a release
    const Bytes output = convertLaterTrack(body, 0);
    const auto events = decodeBody(output);
    ASSERT_EQ(events.size(), 67u);
    EXPECT_EQ(events[0], (DecodedEvent{10, EVENT_CHANNEL, {0x90, 0x00, 0x64}}));
    for (uint8_t key = 1; key < 64; ++key)
        EXPECT_EQ(events[key], (DecodedEvent{0, EVENT_CHANNEL, {0x90, key, 0x64}}));
    // The release opens the second group, ahead of the 65th start.
    EXPECT_EQ(events[64], (DecodedEvent{0, EVENT_CHANNEL, {0x90, 0x00, 0x00}}));
    EXPECT_EQ(events[65], (DecodedEvent{0, EVENT_CHANNEL, {0x90, 0x40, 0x64}}));
}

TEST_F(Conversion, HeldNotesStayInTheirOwnTrack) {
    // Format 0: the last notes come before the End of Track, which keeps its own delta.
    const Bytes oneTrack = {0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes output = convertSource(smfFile(0, 480, {oneTrack}), 1920);
    EXPECT_EQ(output, smfFile(0, 480, {oneTrack}));
    // A track without End of Track, and one with a note after it.
    const auto bodies = convertTracks({EndOnly,
                                       {0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40},
                                       {0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x64},
                                       EndOnly},
                                      1920);
    ASSERT_EQ(bodies.size(), 4u);
    EXPECT_EQ(bodies[1], Bytes({0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40}));
    EXPECT_EQ(bodies[2], Bytes({0x8F, 0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x64}));
    EXPECT_EQ(bodies[3], Bytes({0x8F, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, EndOfTrackDeltaStaysWithinWhatAFileCanHold) {
    // The notes already run past a tune length of 100.
    const Bytes late = convertLaterTrack(TwoNotes, 100);
    EXPECT_EQ(Bytes(late.end() - 4, late.end()), EndOnly);
    EXPECT_EQ(convertLaterTrack(EndOnly, -5), EndOnly);
    EXPECT_EQ(convertLaterTrack(EndOnly, INT32_MAX), Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, FirstTrackTimeSignaturesAreThinned) {
    const Bytes signatures = {0x00, 0xFF, 0x58, 0x04, 0x01, 0x02, 0x18, 0x08, 0x10, 0xFF, 0x58, 0x04,
                              0x04, 0x02, 0x18, 0x08, 0x20, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,
                              0x30, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(convertFirstTrack(signatures, 1920),
              Bytes({0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x30, 0xFF,
                     0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}));
    ConvertOptions.detectLevel = 0;
    EXPECT_EQ(convertFirstTrack(signatures, 1920),
              Bytes({0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x20, 0xFF, 0x58, 0x04, 0x04, 0x02,
                     0x18, 0x08, 0x30, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}));
    ConvertOptions.noTimeDetect = 1;
    EXPECT_EQ(convertFirstTrack(signatures, 1920), signatures);
    // Other tracks keep theirs; only their End of Track moves (1920 - 96 = 1824).
    ConvertOptions.noTimeDetect = 0;
    Bytes expected = signatures;
    expected[expected.size() - 4] = 0x8E;
    expected.insert(expected.end() - 3, 0x20);
    EXPECT_EQ(convertLaterTrack(signatures, 1920), expected);
}

TEST_F(Conversion, InstrumentOverrideRewritesEachTracksFirstProgramChange) {
    ConvertOptions.detectLevel = 0;
    ConvertOptions.instrumentOverride[2] = 1;
    const auto bodies = convertTracks(
        {{0x00, 0xC2, 0x05, 0x00, 0xC2, 0x05}, {0x00, 0xC2, 0x05}, {0x00, 0xC1, 0x03, 0x00, 0xC2, 0x05}}, 0);
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(bodies[0], Bytes({0x00, 0xC2, 0x00, 0x00, 0x05}));
    EXPECT_EQ(bodies[1], Bytes({0x00, 0xC2, 0x00}));
    EXPECT_EQ(bodies[2], Bytes({0x00, 0xC1, 0x03, 0x00, 0xC2, 0x05}));
    // The program written is always a data byte.
    ConvertOptions.instrumentOverride[2] = 200;
    EXPECT_EQ(convertFirstTrack({0x00, 0xC2, 0x05}, 0), Bytes({0x00, 0xC2, 0x47}));
}

TEST_F(Conversion, ALaterProgramChangeTakesHalfTheTimeLeft) {
    // Notes from 0 to 1001, then a second program change and the End of Track.
    const Bytes body = {0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x87, 0x69, 0x80,
                        0x3C, 0x40, 0x00, 0xC0, 0x06, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(convertLaterTrack(body, 1920),
              Bytes({0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x87, 0x69, 0x80, 0x3C,
                     0x40, 0x83, 0x4B, 0xC0, 0x06, 0x83, 0x4C, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(convertLaterTrack(body, 1001),
              Bytes({0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x87, 0x69, 0x80, 0x3C, 0x40, 0x00, 0xC0, 0x06,
                     0x00, 0xFF, 0x2F, 0x00}));
    ConvertOptions.detectLevel = 0;
    EXPECT_EQ(convertLaterTrack(body, 1920),
              Bytes({0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x87, 0x69, 0x80,
                     0x3C, 0x40, 0x00, 0xC0, 0x06, 0x87, 0x17, 0xFF, 0x2F, 0x00}));
}

TEST_F(Conversion, TimeDetectionDropsTheDeltasOfChannelMessagesOtherThanLaterControls) {
    ConvertOptions.detectLevel = 0;
    const Bytes body = {0x1E, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x64, 0x1E, 0xE0, 0x00, 0x40, 0x1E, 0xA0,
                        0x3C, 0x10, 0x1E, 0xD0, 0x10, 0x1E, 0xB0, 0x07, 0x50, 0x00, 0x80, 0x3C, 0x40};
    EXPECT_EQ(convertFirstTrack(body, 0),
              Bytes({0x00, 0xB0, 0x07, 0x64, 0x00, 0x90, 0x3C, 0x64, 0x00, 0xE0, 0x00, 0x40, 0x00, 0xA0,
                     0x3C, 0x10, 0x00, 0xD0, 0x10, 0x1E, 0xB0, 0x07, 0x50, 0x00, 0x80, 0x3C, 0x40}));
    ConvertOptions.noTimeDetect = 1;
    EXPECT_EQ(convertFirstTrack(body, 0), body);
}

TEST_F(Conversion, NoteOptionsMoveBothEndsOfANote) {
    ConvertOptions.detectLevel = 0;
    ConvertOptions.octaveShift[0] = 1;
    ConvertOptions.octaveShift[1] = -1;
    ConvertOptions.octaveShift[2] = 2;
    ConvertOptions.velocityOffset[0] = 0x40;
    ConvertOptions.velocityOffset[1] = 0xF0;
    EXPECT_EQ(convertFirstTrack({0x00, 0x90, 120, 100, 0x00, 0x80, 120, 0x40, 0x00, 0x90, 60, 0x00,
                                 0x00, 0x91, 5,   10,  0x00, 0x81, 5,   0x40, 0x00, 0x92, 60, 0x64},
                                0),
              Bytes({0x00, 0x90, 127, 127, 0x00, 0x80, 127, 0x40, 0x00, 0x90, 72, 0x00,
                     0x00, 0x91, 0,   1,   0x00, 0x81, 0,   0x40, 0x00, 0x92, 48, 0x64}));
}

TEST_F(Conversion, TheHeaderCountsTheTracksWritten) {
    // The header announces three tracks, the file holds two and a chunk of another kind.
    const Bytes source = concat({smfHeaderChunk(1, 3, 480),
                                 trackChunk(EndOnly),
                                 {'X', 'Y', 'Z', 'W', 0, 0, 0, 1, 7},
                                 trackChunk({})});
    const Bytes output = convertSource(source, 0);
    EXPECT_TRUE(fatalErrors.empty());
    // An empty body converts to an empty track.
    EXPECT_EQ(output, concat({smfHeaderChunk(1, 2, 480), trackChunk(EndOnly), trackChunk({})}));
}

TEST_F(Conversion, EveryPassStartsWithoutRunningStatus) {
    ConvertOptions.detectLevel = 0;
    const Bytes startsWithData = {0x00, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    ASSERT_TRUE(loadSource(smfFile(0, 96, {{0x00, 0x91, 0x3C, 0x64}})));
    decodeTracks(1);  // leaves running status 91 behind
    EXPECT_EQ(convertFirstTrack(startsWithData, 0), Bytes({0x00, 0x80, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
    // What the analysis of the same file reports.
    EXPECT_EQ(decodeBody(startsWithData)[0], (DecodedEvent{0, EVENT_NO_STATUS, {0x80, 0x3C, 0x64}}));
}

TEST_F(Conversion, TheOutputIsReplacedOnlyByACompleteFile) {
    const Bytes source = smfFile(1, 480, {EndOnly});
    writeFile("out.mid", {'o', 'l', 'd'});
    EXPECT_EQ(convertSource(source, 0), source);
    EXPECT_EQ(convertSource(source, 0), source);  // over its own earlier output
    EXPECT_TRUE(fatalErrors.empty());

    std::filesystem::create_directories("outputs/taken.mid");
    for (const std::string path : {"", "no/such/folder/out.mid", "outputs/taken.mid"}) {
        fatalErrors.clear();
        convertMidiFile(path.c_str(), 0);
        EXPECT_EQ(fatalErrors, std::vector<std::string>{"Cannot open dest file"}) << path;
    }
    EXPECT_TRUE(std::filesystem::is_directory("outputs/taken.mid"));
    // Nothing is left beside the output, after success or failure.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator("outputs"))
        left.push_back(entry.path().string());
    EXPECT_EQ(left.size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().string().find("out.mid."), std::string::npos) << entry.path();
}
