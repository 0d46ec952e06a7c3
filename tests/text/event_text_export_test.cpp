#include "event_text_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "event_text_fixture.h"
#include "smf/output_sink.h"

namespace {
// A format 0 file of one track with the given body.
std::string exportedTrack(const Bytes& body) {
    return exportedText(smfFile(0, 480, {body}));
}

// The event lines and comments of the first track, without the file's head.
std::string trackLines(const Bytes& body) {
    const std::string text = exportedTrack(body);
    const size_t title = text.find("# Track #0 ---- \r\n");
    return title == std::string::npos ? text : text.substr(title + 18);
}

std::string writtenNote(Bytes event) {
    MemoryOutput out;
    EXPECT_TRUE(writeNoteEvent(out, event.data(), false));
    return std::string(out.bytes.begin(), out.bytes.end());
}
}  // namespace

TEST(EventTextExport, WritesTheDemoTuneByteForByte) {
    const Bytes file = smfFile(
        1, 480,
        {{0x00, 0xFF, 0x03, 0x04, 'D', 'e', 'm', 'o', 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF,
          0x2F, 0x00},
         {0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(exportedText(file), crlfLines({"-H:MIDI-EventFile",
                                             "+F:00 01 # MIDI-Format",
                                             "+N:00 02 # Track-Number",
                                             "+D:01 E0 # DTime",
                                             "-T:19",
                                             "# Track #0 ---- ",
                                             "      0:FF 03 04 44 65 6D 6F ",
                                             "      0:FF 51 03 07 A1 20 ",
                                             "# --- tempo ---",
                                             "      0:FF 2F 00 ",
                                             "-TE",
                                             "-T:16",
                                             "# Track #1 ---- ",
                                             "      0:C0 00 ",
                                             "# == start ==",
                                             "      0:90 O5C 64 ",
                                             "    480:80 O5C 00 ",
                                             "# -- 480 --",
                                             "      0:FF 2F 00 ",
                                             "-TE"}));
}

TEST(EventTextExport, NamesNotesByChannel) {
    EXPECT_EQ(writtenNote({0x90, 61, 0x64}), "90 O5C# 64 ");
    EXPECT_EQ(writtenNote({0x90, 60, 0x64}), "90 O5C 64 ");
    EXPECT_EQ(writtenNote({0x90, 0, 0x64}), "90 O0C 64 ");
    EXPECT_EQ(writtenNote({0x81, 119, 0x40}), "81 O9B 40 ");
    EXPECT_EQ(writtenNote({0x90, 120, 0x64}), "90 78 64 ");
    EXPECT_EQ(writtenNote({0x99, 38, 0x7F}), "99 ASN 7F ");
    EXPECT_EQ(writtenNote({0x89, 35, 0x00}), "89 ABD 00 ");
    EXPECT_EQ(writtenNote({0x99, 81, 0x10}), "99 OTR 10 ");
    EXPECT_EQ(writtenNote({0x99, 20, 0x7F}), "99 14 7F ");
    EXPECT_EQ(writtenNote({0x99, 82, 0x7F}), "99 52 7F ");
    EXPECT_EQ(writtenNote({0x90, 0x3C, 0x00}), "90 O5C 00 ") << "a note-on of velocity 0 stays a note-on";
}

TEST(EventTextExport, WritesEveryOtherEventAsTheReaderDeliversIt) {
    // Running status written out, a long meta with its two-byte length, a SysEx.
    Bytes body = {0x00, 0xB0, 0x07, 0x64, 0x00, 0x0A, 0x40, 0x00, 0xF0,
                  0x03, 0x7E, 0x09, 0xF7, 0x00, 0xFF, 0x01, 0x81, 0x00};
    body.insert(body.end(), 128, 'a');
    std::string longMeta = "      0:FF 01 81 00 ";
    for (int k = 0; k < 128; ++k) longMeta += "61 ";
    EXPECT_EQ(trackLines(body), crlfLines({"      0:B0 07 64 ", "      0:B0 0A 40 ",
                                           "      0:F0 03 7E 09 F7 ", longMeta.c_str(), "-TE"}));
}

TEST(EventTextExport, WritesADataByteWithoutStatusAsANoteOffAndCountsIt) {
    EXPECT_EQ(trackLines({0x83, 0x60, 0x3C, 0x40}),
              crlfLines({"# == start ==", "    480:80 O5C 40 ", "# -- 480 --", "-TE"}));
}

TEST(EventTextExport, MarksTheBeatGridOnTheNoteClock) {
    // Notes at 480 (two at once), a controller delta that does not count,
    // 1920, a jump over 2400 to 2500, then 2880.
    const Bytes body = {0x83, 0x60, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x8B, 0x20, 0xB0, 0x07, 0x64, 0x8B,
                        0x20, 0x80, 0x3C, 0x00, 0x84, 0x44, 0x80, 0x3E, 0x00, 0x82, 0x7C, 0x90, 0x40, 0x64};
    EXPECT_EQ(trackLines(body),
              crlfLines({"# == start ==", "    480:90 O5C 64 ", "# -- 480 --", "      0:90 O5D 64 ",
                         "   1440:B0 07 64 ", "   1440:80 O5C 00 ", "# == 1920 ==", "    580:80 O5D 00 ",
                         "    380:90 O5E 64 ", "# -- 2880 --", "-TE"}));
}

TEST(EventTextExport, LeavesTracksWithoutNotesUnmarked) {
    EXPECT_EQ(trackLines({0x83, 0x60, 0xC0, 0x05, 0x8F, 0x00, 0xFF, 0x2F, 0x00}),
              crlfLines({"    480:C0 05 ", "   1920:FF 2F 00 ", "-TE"}));
}

TEST(EventTextExport, WidensTheDeltaColumnForHugeDeltas) {
    EXPECT_EQ(trackLines({0x84, 0xE2, 0xAD, 0x00, 0xC0, 0x01}), crlfLines({"10000000:C0 01 ", "-TE"}));
}

TEST(EventTextExport, StopsMarkingPastTheLargest32BitTime) {
    // Eight notes of 268435440 ticks reach 2147483520, the last grid point
    // below 2^31; 480 more leave the 32-bit range.
    Bytes body;
    for (int k = 0; k < 8; ++k) body.insert(body.end(), {0xFF, 0xFF, 0xFF, 0x70, 0x90, 0x3C, 0x64});
    body.insert(body.end(), {0x83, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    const std::string text = trackLines(body);
    EXPECT_NE(
        text.find("268435440:90 O5C 64 \r\n# == 2147483520 ==\r\n    480:80 O5C 00 \r\n      0:FF 2F 00 "
                  "\r\n-TE\r\n"),
        std::string::npos)
        << text;
}

TEST(EventTextExport, LeavesOnlyThePrefixOfATrackThatCannotBeLoaded) {
    // The header announces three tracks; the file holds one.
    Bytes file = smfFile(0, 96, {{0x00, 0xFF, 0x2F, 0x00}});
    file[11] = 3;
    const std::string text = exportedText(file);
    const std::string tail = "      0:FF 2F 00 \r\n-TE\r\n-T:-T:";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(EventTextExport, FailsWhenTheTextCannotBeCreated) {
    ASSERT_TRUE(prepareSource(smfFile(0, 96, {{0x00, 0xFF, 0x2F, 0x00}})));
    EXPECT_EQ(exportEventText("no-such-folder/out.txt"), 0);
    EXPECT_FALSE(fileExists("no-such-folder/out.txt"));
}
