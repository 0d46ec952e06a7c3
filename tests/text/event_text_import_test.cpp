#include "event_text_import.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "event_text_fixture.h"

namespace {
const Bytes oneTrackHeader = smfHeaderChunk(0, 1, 480);

Bytes oneTrackFile(const Bytes& body) {
    return concat({oneTrackHeader, trackChunk(body)});
}

std::string eventLineOfPairs(int count) {
    std::string line = "      0:";
    for (int k = 0; k < count; ++k) line += "7F ";
    return line;
}
}  // namespace

TEST(EventTextImport, AppliesRunningStatusAndAddsNothing) {
    EXPECT_EQ(importedFile(oneTrackText({"      0:90 O5C 64", "     96:90 O5C 00", "      0:C0 05"})),
              oneTrackFile({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xC0, 0x05}));
    EXPECT_EQ(importedFile(oneTrackText({"      0:90 O5C 64", "      0:FF 01 00", "      0:90 O5C 00"})),
              oneTrackFile({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x90, 0x3C, 0x00}))
        << "a meta event ends running status";
}

TEST(EventTextImport, ReadsOnlyEventLines) {
    const Bytes file = importedFile(oneTrackText({
        "# == start ==",
        "-T:5",           // a track start inside a track
        "9999999:C0 01",  // seven digits fill the delta columns
        "  x 5  :C0 02",  // a digit somewhere in the first seven columns
        "abcdefg:C0 03",  // no digit
        "    123:",       // no event
        "      0:!0",     // no tempo
        "    12:C0 04",   // colon in column 7
        "# -- 480 --",
        "     -5:C0 05",   // negative delta: the encoder's low seven bits
        "12345678:C0 06",  // eight digits: the colon moves right
    }));
    EXPECT_EQ(file, oneTrackFile({0x84, 0xE2, 0xAC, 0x7F, 0xC0, 0x01, 0x00, 0x02, 0x7B, 0x05, 0x85, 0xF1,
                                  0xC2, 0x4E, 0x06}));
}

TEST(EventTextImport, WaitsForEachHeaderLineInTurn) {
    int status = 0;
    const std::string text = crlfLines({"-H:MIDI-EventFile", "remark", "+N:00 02", "+F:01 # MIDI-Format",
                                        "+F:00 01", "+D:01 E0", "+N:00 03 # Track-Number", "+D:00 60"});
    EXPECT_EQ(importedFile(text, &status), smfHeaderChunk(1, 3, 96));
    EXPECT_EQ(status, 1);

    EXPECT_EQ(importedFile(crlfLines({"-H:MIDI-EventFile", "-T:10", "      0:C0 01", "-TE"}), &status),
              Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6}));
    EXPECT_EQ(status, 1);
}

TEST(EventTextImport, AcceptsLinesEndedByLfAlone) {
    std::string text = oneTrackText({"      0:C0 01"});
    for (size_t at; (at = text.find('\r')) != std::string::npos;) text.erase(at, 1);
    EXPECT_EQ(importedFile(text), oneTrackFile({0x00, 0xC0, 0x01}));
}

TEST(EventTextImport, RefusesATextWithoutItsSignatureLine) {
    for (const char* text : {"-H:MIDI-EventFile \r\n+F:00 00\r\n", "-H:MIDI-EventFileX\n",
                             "-H:MIDI-EventFile", "-H:MIDI-EventFile\r", "+F:00 00\r\n", ""}) {
        int status = 1;
        const Bytes previous = {'o', 'l', 'd'};
        writeFile("imported.mid", previous);
        EXPECT_EQ(importedFile(text, &status), previous) << text << " leaves the previous file as it was";
        EXPECT_EQ(status, 0) << text;
    }
}

TEST(EventTextImport, JoinsTrackBlocksUntilTheirEnd) {
    // The second "-T:" is inside the first block; the last block is never
    // closed and is written at the end of the text.
    const std::string text =
        crlfLines({"-H:MIDI-EventFile", "+F:00 01", "+N:00 02", "+D:01 E0", "-T:3", "      0:C0 01", "-T:3",
                   "      0:C1 02", "-TE", "-T:3", "      0:C2 03"});
    int status = 0;
    EXPECT_EQ(importedFile(text, &status),
              concat({smfHeaderChunk(1, 2, 480), trackChunk({0x00, 0xC0, 0x01, 0x00, 0xC1, 0x02}),
                      trackChunk({0x00, 0xC2, 0x03})}));
    EXPECT_EQ(status, 1);
}

TEST(EventTextImport, FailsWhenATrackOutgrowsItsBuffer) {
    // Seven lines of 300 bytes: 2107 bytes of body, more than the 2048-byte
    // buffer a track of length 0 gets, but within one of 4000.
    std::string events;
    for (int k = 0; k < 7; ++k) events += eventLineOfPairs(300) + "\r\n";
    const std::string head =
        crlfLines({"-H:MIDI-EventFile", "+F:00 00", "+N:00 02", "+D:01 E0", "-T:0", "      0:C0 01", "-TE"});
    int status = 1;
    const Bytes previous = oneTrackFile({0x00, 0xC5, 0x05});
    writeFile("imported.mid", previous);
    EXPECT_EQ(importedFile(head + "-T:0\r\n" + events + "-TE\r\n", &status), previous)
        << "nothing of a failed import is written";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(importedFile(head + "-T:2000\r\n" + events + "-TE\r\n", &status).size(),
              14u + 11u + 8u + 2107u);
    EXPECT_EQ(status, 1);
}

TEST(EventTextImport, ReadsAtMost1023CharactersOfALine) {
    // 338 pairs and a blank fill 1023 characters; what follows on the same
    // line would end the track if it were read as a line.
    const std::string line = eventLineOfPairs(338) + " -TE 7F 7F";
    const Bytes file = importedFile(oneTrackText({line.c_str(), "      1:C0 01"}));
    Bytes body = {0x00};
    body.insert(body.end(), 338, 0x7F);
    body.insert(body.end(), {0x01, 0xC0, 0x01});
    EXPECT_EQ(file, oneTrackFile(body));
}

TEST(EventTextImport, ReportsFilesThatCannotBeOpened) {
    std::remove("imported.mid");
    EXPECT_EQ(importEventText("no-such.txt", "imported.mid"), 0);
    EXPECT_FALSE(fileExists("imported.mid"));
    writeTextFile("edited.txt", oneTrackText({}));
    EXPECT_EQ(importEventText("edited.txt", "no-such-folder/imported.mid"), 0);
}

TEST(EventTextImport, TheFailureSaysWhatStoppedIt) {
    const auto reason = [](const char* textPath, const char* midiPath) {
        return std::string(importEventFile(textPath, midiPath).message());
    };
    EXPECT_EQ(reason("no-such.txt", "imported.mid"), "Cannot read [no-such.txt]");
    writeTextFile("edited.txt", oneTrackText({}));
    EXPECT_EQ(reason("edited.txt", "no-such-folder/imported.mid"),
              "Cannot write [no-such-folder/imported.mid]");
    writeTextFile("unsigned.txt", "+F:00 00\r\n");
    EXPECT_EQ(reason("unsigned.txt", "imported.mid"), "Line 1 is not -H:MIDI-EventFile");
    // The seventh event line of 300 bytes, line 12, no longer fits the 2048 bytes of a track of length 0.
    std::string text = crlfLines({"-H:MIDI-EventFile", "+F:00 00", "+N:00 01", "+D:01 E0", "-T:0"});
    for (int k = 0; k < 7; ++k) text += eventLineOfPairs(300) + "\r\n";
    writeTextFile("large.txt", text + "-TE\r\n");
    EXPECT_EQ(reason("large.txt", "imported.mid"),
              "Line 12: the track is larger than its buffer of 2048 bytes");
    EXPECT_TRUE(importEventFile("edited.txt", "imported.mid").ok());
}

TEST(EventTextImport, CanReplaceTheTextItReads) {
    writeTextFile("same.txt", oneTrackText({"      0:C0 01"}));
    EXPECT_EQ(importEventText("same.txt", "same.txt"), 1);
    EXPECT_EQ(readFile("same.txt"), oneTrackFile({0x00, 0xC0, 0x01}));
}

TEST(EventTextImport, BuildsAHandEditedText) {
    // Lower-case hex, renamed notes, a "!120" tempo, a remark that holds the
    // pairs FA DE, LF line ends.
    const std::string text =
        "-H:MIDI-EventFile\n+F:00 01 # MIDI-Format\n+N:00 02 # Track-Number\n+D:01 e0 # DTime\n-T:19\n"
        "# Track #0 ---- \n      0:ff 03 04 44 65 6d 6f \n      0:!120\n# --- tempo ---\n      0:ff 2f 00 "
        "\n-TE\n"
        "-T:16\n# Track #1 ---- \n      0:c0 00 \n      0:b0 07 64 # fade\n# == start ==\n"
        "      0:90 o5E 64 \n    480:90 O5E 00 \n# -- 480 --\n      0:90 O5G# 50\n    240:80 o5g 00 # end\n"
        "      0:ff 2f 00 \n-TE\n";
    int status = 0;
    EXPECT_EQ(
        importedFile(text, &status),
        smfFile(1, 480,
                {{0x00, 0xFF, 0x03, 0x04, 'D', 'e', 'm', 'o', 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00,
                  0xFF, 0x2F, 0x00},
                 {0x00, 0xC0, 0x00, 0x00, 0xB0, 0x07, 0x64, 0xFA, 0xDE, 0x00, 0x90, 0x40, 0x64, 0x83, 0x60,
                  0x40, 0x00, 0x00, 0x44, 0x50, 0x81, 0x70, 0x80, 0x44, 0x00, 0x00, 0xFF, 0x2F, 0x00}}));
    EXPECT_EQ(status, 1);
}
