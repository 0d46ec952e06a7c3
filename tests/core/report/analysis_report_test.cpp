#include "report/analysis_report.h"

#include <gtest/gtest.h>

#include <string>

#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "report/streamed_text.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string reportText() {
    EXPECT_EQ(reportCopy.text.size(), reportCopy.size);
    return reportCopy.text;
}

const Bytes endOfTrack = {0x00, 0xFF, 0x2F, 0x00};

// The event lines of a one-track file, between its "Track# 0" and "Track Total=" lines.
std::string eventLines(const Bytes& body) {
    EXPECT_TRUE(loadSource(smfFile(0, 96, {body})));
    writeAnalysisReport("x.mid", "");
    const std::string text = reportText();
    const size_t start = text.find("Track# 0\r\n") + 10;
    return text.substr(start, text.find("Track Total=") - start);
}

class AnalysisReport : public ::testing::Test {
protected:
    void SetUp() override {
        fatalErrors.clear();
        resetConvertOptions();
        reportCopy.keepLimit = SIZE_MAX;  // the whole report, to compare
    }
    void TearDown() override { reportCopy.keepLimit = ReportCopy::DefaultKeepLimit; }
};
}  // namespace

TEST_F(AnalysisReport, SampleOfAFormatOneFile) {
    const Bytes conductor = concat({{0x00, 0xFF, 0x03, 0x04, 'D', 'e', 'm', 'o'},
                                    {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},
                                    {0x00, 0xFF, 0x59, 0x02, 0x00, 0x00},
                                    endOfTrack});
    const Bytes piano =
        concat({{0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00}, endOfTrack});
    ASSERT_TRUE(loadSource(smfFile(1, 480, {conductor, piano})));

    EXPECT_EQ(writeAnalysisReport("C:\\songs\\demo.mid", "demo.log"), 480);

    const std::string expected = withCrLf(
        "MIDI-FileName:C:\\songs\\demo.mid\n"
        "\n"
        "MIDI Head(MThd)\n"
        "Format:1\n"
        "Tracks:2\n"
        "DeltaT:480\n"
        "Track# 0\n"
        "00000000(      0):Meta Title:Demo \n"
        "00000000(      0):Meta Tempo:tempo=120 500000\n"
        "00000000(      0):Meta Tune:C  major \n"
        "00000000(      0):Meta End of track:\n"
        "Track Total=0\n"
        "Track# 1\n"
        "00000000(      0):Norm:ProgChg.:Ch:0 Instrument:0.Acoustic Grand Piano \n"
        "00000000(      0):Norm:ON :Ch:0 Note:O5C(3C) Vel:100 \n"
        "000001e0(    480):Norm:OFF:Ch:0 Note:O5C(3C) Vel:0 \n"
        "00000000(      0):Meta End of track:\n"
        "Track Total=480\n");
    EXPECT_EQ(reportText(), expected);
    EXPECT_EQ(readText("demo.log"), expected);
    EXPECT_EQ(ConvertOptions.channelUsed[0], 1);
    EXPECT_EQ(ConvertOptions.firstProgram[0], 1);
    EXPECT_TRUE(fatalErrors.empty());
}

// Both builds must write this report byte for byte: it covers every describer
// branch, long texts and SysEx, running status, drums and missing tracks.
TEST_F(AnalysisReport, GoldenReportIsReproducedByteForByte) {
    ASSERT_EQ(inputFile.load(testDataPath("report_sample.mid").c_str()), 1);
    const int32_t longest = writeAnalysisReport("report_sample.mid", "report_sample.log");
    const Bytes expected = readFile(testDataPath("report_sample.txt"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readFile("report_sample.log"), expected);
    EXPECT_EQ(Bytes(reportCopy.text.begin(), reportCopy.text.end()), expected);
    EXPECT_EQ(longest, 0x0FFFFFFF + 96 + 128);
    const int32_t used[ChannelCount] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    const int32_t programs[ChannelCount] = {1, 49, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0};
    for (int channel = 0; channel < ChannelCount; ++channel) {
        EXPECT_EQ(ConvertOptions.channelUsed[channel], used[channel]) << channel;
        EXPECT_EQ(ConvertOptions.firstProgram[channel], programs[channel]) << channel;
    }
}

TEST_F(AnalysisReport, RefusedHeaderIsFatalAndWritesNoReport) {
    const struct {
        Bytes file;
        const char* message;
    } cases[] = {
        {{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "this is not midi"},
        {concat({{'M', 'T', 'h', 'd', 0, 0, 0, 7}, {0, 0, 0, 1, 0, 96}}), "head type no good"},
        {smfHeaderChunk(3, 1, 96), "MIDI format no match"},
        {smfHeaderChunk(1, 1, 0xE728), "no support type delta time"},
        {{'M', 'T', 'h', 'd', 0, 0}, "head type no good"},  // cut short: the rest reads as 0
    };
    for (const auto& c : cases) {
        fatalErrors.clear();
        ConvertOptions.channelUsed[3] = ConvertOptions.firstProgram[3] = ConvertOptions.octaveShift[3] = 1;
        ASSERT_TRUE(loadSource(c.file));
        std::remove("refused.log");
        EXPECT_EQ(writeAnalysisReport("refused.mid", "refused.log"), 0);
        ASSERT_EQ(fatalErrors.size(), 1u);
        EXPECT_EQ(fatalErrors[0], c.message);
        EXPECT_FALSE(fileExists("refused.log"));
        EXPECT_EQ(reportCopy.size, 0u);
        EXPECT_EQ(
            ConvertOptions.channelUsed[3] + ConvertOptions.firstProgram[3] + ConvertOptions.octaveShift[3],
            0);
    }
}

TEST_F(AnalysisReport, AnnouncedTracksTheFileLacks) {
    ASSERT_TRUE(loadSource(concat({smfHeaderChunk(1, 2, 96), trackChunk(endOfTrack)})));
    EXPECT_EQ(writeAnalysisReport("short.mid", ""), 0);
    EXPECT_NE(reportText().find(withCrLf("Track Total=0\nTrack# 1\nCannot GetTrack\nTrack Total=0\n")),
              std::string::npos);
    ASSERT_TRUE(loadSource(smfHeaderChunk(0, 0, 96)));
    EXPECT_EQ(writeAnalysisReport("none.mid", ""), 0);
    EXPECT_EQ(reportText(),
              withCrLf("MIDI-FileName:none.mid\n\nMIDI Head(MThd)\nFormat:0\nTracks:0\nDeltaT:96\n"));
    EXPECT_TRUE(fatalErrors.empty());
}

TEST_F(AnalysisReport, LongSysExPrintsEveryByte) {
    Bytes body = {0x00, 0xF0, 0x8F, 0x50};  // 2000 data bytes
    for (int k = 0; k < 2000; ++k) body.push_back(static_cast<uint8_t>(k));
    const std::string line = eventLines(body);
    EXPECT_EQ(line.size(), std::string("00000000(      0):SysEx ").size() + 2003 * 3 + 2);
    EXPECT_EQ(line.substr(line.size() - 8), "CE CF \r\n");
}

TEST_F(AnalysisReport, ChannelFactsFollowWalkingOrder) {
    const Bytes first = concat({{0x00, 0xC3, 0x7F, 0x00, 0xC3, 0x05, 0x00, 0xF6}, endOfTrack});
    const Bytes second = concat({{0x00, 0xC4, 0x02, 0x00, 0xC3, 0x09, 0x00, 0x95, 0x30, 0x40}, endOfTrack});
    ASSERT_TRUE(loadSource(smfFile(1, 96, {first, second})));
    ConvertOptions.octaveShift[4] = 1;
    ConvertOptions.velocityOffset[4] = 7;
    writeAnalysisReport("facts.mid", "");
    EXPECT_EQ(ConvertOptions.firstProgram[3], 128);
    EXPECT_EQ(ConvertOptions.firstProgram[4], 3);
    EXPECT_EQ(ConvertOptions.firstProgram[5], 0);
    EXPECT_EQ(ConvertOptions.channelUsed[5], 1);
    EXPECT_EQ(ConvertOptions.channelUsed[6], 1);  // F6 met as a channel event
    EXPECT_EQ(ConvertOptions.octaveShift[4], 0);
    EXPECT_EQ(ConvertOptions.velocityOffset[4], 7);  // not the analysis's to clear

    ASSERT_TRUE(loadSource(smfFile(0, 96, {endOfTrack})));
    writeAnalysisReport("empty.mid", "");
    for (int channel = 0; channel < ChannelCount; ++channel) {
        EXPECT_EQ(ConvertOptions.channelUsed[channel], 0);
        EXPECT_EQ(ConvertOptions.firstProgram[channel], 0);
    }
}

TEST_F(AnalysisReport, NoteTimeCountsNoteEventsOnly) {
    const Bytes controllers =
        concat({{0x60, 0xB0, 0x07, 0x64, 0x60, 0xFF, 0x01, 0x00, 0x00, 0xC0, 0x01}, endOfTrack});
    const Bytes notes =
        concat({{0x10, 0x90, 0x3C, 0x40, 0x20, 0x80, 0x3C, 0x40, 0x40, 0xB0, 0x01, 0x02}, endOfTrack});
    ASSERT_TRUE(loadSource(smfFile(1, 96, {controllers, notes})));
    EXPECT_EQ(writeAnalysisReport("time.mid", ""), 0x30);
    EXPECT_NE(reportText().find("Track Total=0\r\nTrack# 1"), std::string::npos);
    EXPECT_NE(reportText().find("Track Total=48\r\n"), std::string::npos);
}

TEST_F(AnalysisReport, NoteTimeStopsAtTheLargestValueInsteadOfWrapping) {
    Bytes body;
    for (int k = 0; k < 9; ++k) body = concat({body, {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}});
    ASSERT_TRUE(loadSource(smfFile(0, 96, {body})));
    EXPECT_EQ(writeAnalysisReport("long.mid", ""), INT32_MAX);
    EXPECT_NE(reportText().find("Track Total=2147483647\r\n"), std::string::npos);
}

TEST_F(AnalysisReport, ReportOutgrowsItsFirstBufferIntact) {
    Bytes body;
    for (int k = 0; k < 6000; ++k) body = concat({body, {0x01, 0x90, 0x3C, 0x40}});
    ASSERT_TRUE(loadSource(smfFile(0, 96, {body})));
    EXPECT_EQ(writeAnalysisReport("big.mid", "big.log"), 6000);
    EXPECT_GT(reportCopy.size, size_t{StreamedText::Capacity});
    const std::string text = reportText();
    EXPECT_EQ(readText("big.log"), text);
    const std::string line = "00000001(      1):Norm:ON :Ch:0 Note:O5C(3C) Vel:64 \r\n";
    size_t count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
    EXPECT_EQ(count, 6000u);
    EXPECT_EQ(text.substr(text.size() - 18), "Track Total=6000\r\n");
}

// kesto shows up to a mebibyte of the report: the copy keeps that much of a
// longer one, as the file begins, and counts the whole.
TEST_F(AnalysisReport, CopyKeepsTheFirstMebibyteOfALongerReport) {
    reportCopy.keepLimit = ReportCopy::DefaultKeepLimit;
    ASSERT_EQ(size_t{1024 * 1024}, ReportCopy::DefaultKeepLimit);
    Bytes body;
    for (int k = 0; k < 24000; ++k) body.insert(body.end(), {0x01, 0x90, 0x3C, 0x40});
    ASSERT_TRUE(loadSource(smfFile(0, 96, {body})));
    writeAnalysisReport("big.mid", "big.log");
    const std::string file = readText("big.log");
    ASSERT_GT(file.size(), ReportCopy::DefaultKeepLimit);
    EXPECT_EQ(file.size(), reportCopy.size);
    EXPECT_EQ(file.substr(0, ReportCopy::DefaultKeepLimit), reportCopy.text);
}

TEST_F(AnalysisReport, UnsavableReportPathStillBuildsTheReport) {
    ASSERT_TRUE(loadSource(smfFile(0, 96, {concat({{0x05, 0x90, 0x3C, 0x40}, endOfTrack})})));
    const std::string tooLong(VFILE::MaxPathLength + 10, 'p');
    for (const char* path :
         {"no_such_folder/report.log", "", tooLong.c_str(), static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(writeAnalysisReport("x.mid", path), 5);
        EXPECT_NE(reportText().find("Track Total=5"), std::string::npos);
    }
    EXPECT_TRUE(fatalErrors.empty());
    EXPECT_FALSE(fileExists("no_such_folder/report.log"));
}

// Damaged copies of the golden input: every report must be built without
// reading past any buffer (the sanitizer build checks) and stay well-formed.
TEST_F(AnalysisReport, DamagedFilesAreReportedSafely) {
    const Bytes original = readFile(testDataPath("report_sample.mid"));
    ASSERT_FALSE(original.empty());
    uint32_t state = 12345;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int round = 0; round < 200; ++round) {
        Bytes damaged = original;
        for (int flips = 0; flips < 8; ++flips) damaged[14 + next() % (damaged.size() - 14)] = next() & 0xFF;
        damaged.resize(14 + next() % (damaged.size() - 14));
        ASSERT_TRUE(loadSource(damaged, "damaged.mid"));
        writeAnalysisReport("damaged.mid", "");
        const std::string text = reportText();
        EXPECT_EQ(text.rfind("MIDI-FileName:damaged.mid\r\n", 0), 0u) << round;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << round;
    }
    EXPECT_TRUE(fatalErrors.empty());
}
