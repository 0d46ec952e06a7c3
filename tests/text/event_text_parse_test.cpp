#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "event_text_format.h"
#include "event_text_import.h"
#include "test_support.h"

namespace {
Bytes parsed(const char* text, int32_t maximum = EventByteLimit) {
    uint8_t out[2 * EventByteLimit] = {};
    const int32_t count = parseEventBytes(text, out, maximum);
    return Bytes(out, out + count);
}

std::string hexPairs(int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += "5A ";
    return text;
}
}  // namespace

TEST(EventTextParse, NamesTheSecondByteOfNoteEvents) {
    EXPECT_EQ(parsed("90 O5C 64"), Bytes({0x90, 0x3C, 0x64}));
    EXPECT_EQ(parsed("90 o5c# 64"), Bytes({0x90, 0x3E, 0x64}));
    EXPECT_EQ(parsed("90 O5Db 64"), Bytes({0x90, 0x3D, 0x64}));
    EXPECT_EQ(parsed("90 3D 64"), Bytes({0x90, 0x3D, 0x64}));
    EXPECT_EQ(parsed("8F O9B+ 00"), Bytes({0x8F, 0x78, 0x00}));
    EXPECT_EQ(parsed("90O5C64"), Bytes({0x90, 0x3C, 0x64}));
    EXPECT_EQ(parsed("90 O5e 64"), Bytes({0x90, 0x5E, 0x64})) << "e is no note letter, so 5e is a pair";
    // Only right after a note status: elsewhere "5C" is a hexadecimal pair.
    EXPECT_EQ(parsed("C0 O5C"), Bytes({0xC0, 0x5C}));
    EXPECT_EQ(parsed("90 64 O5C"), Bytes({0x90, 0x64, 0x5C}));
}

TEST(EventTextParse, NamesPercussionOnChannelIndex9Only) {
    EXPECT_EQ(parsed("99 asn 7f"), Bytes({0x99, 0x26, 0x7F}));
    EXPECT_EQ(parsed("89 OTR 00"), Bytes({0x89, 0x51, 0x00}));
    EXPECT_EQ(parsed("99 ZZZ 7F"), Bytes({0x99, 0x7F}));
    EXPECT_EQ(parsed("99 O5C 64"), Bytes({0x99, 0x5C, 0x64}));
    EXPECT_EQ(parsed("90 ASN 64"), Bytes({0x90, 0x64}));
}

TEST(EventTextParse, ReadsATempoInQuarterNotesPerMinute) {
    EXPECT_EQ(parsed("!120"), Bytes({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    EXPECT_EQ(parsed("!60 # slow"), Bytes({0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}));
    EXPECT_EQ(parsed("!1"), Bytes({0xFF, 0x51, 0x03, 0x93, 0x87, 0x00})) << "masked to 24 bits";
    EXPECT_EQ(parsed("!120", 2).size(), 6u) << "the maximum is not consulted";
    EXPECT_EQ(parsed("!0"), Bytes());
    EXPECT_EQ(parsed("!"), Bytes());
    EXPECT_EQ(parsed("!fast"), Bytes());
    EXPECT_EQ(parsed(" !120"), Bytes({0x12})) << "the ! must come first";
}

TEST(EventTextParse, TakesEveryHexPairWhateverSeparatesThem) {
    EXPECT_EQ(parsed("C0 1F # comment"), Bytes({0xC0, 0x1F}));
    EXPECT_EQ(parsed("C0 1F # fade"), Bytes({0xC0, 0x1F, 0xFA, 0xDE}));
    EXPECT_EQ(parsed("FF2F00"), Bytes({0xFF, 0x2F, 0x00}));
    EXPECT_EQ(parsed("ff 2f 00"), Bytes({0xFF, 0x2F, 0x00}));
    EXPECT_EQ(parsed("B0,07;64"), Bytes({0xB0, 0x07, 0x64}));
    EXPECT_EQ(parsed("C0 1F2"), Bytes({0xC0, 0x1F}));
    EXPECT_EQ(parsed(""), Bytes());
}

TEST(EventTextParse, StopsAtTheMaximum) {
    const std::string many = hexPairs(600);
    EXPECT_EQ(parsed(many.c_str()).size(), 512u);
    EXPECT_EQ(parsed(many.c_str(), 0).size(), 600u);
    EXPECT_EQ(parsed("00 01 02", 2), Bytes({0x00, 0x01}));
    EXPECT_EQ(parsed("90 O5C 64", 2), Bytes({0x90, 0x3C}));
}

TEST(EventTextParse, NoteNamesGiveNoteAndLength) {
    EXPECT_EQ(parseNoteName("O5C"), 0x33C);
    EXPECT_EQ(parseNoteName("o5c# 64"), 0x43E);
    EXPECT_EQ(parseNoteName("O5Db"), 0x43D);
    EXPECT_EQ(parseNoteName("O5E-"), 0x43F);
    EXPECT_EQ(parseNoteName("O0C"), 0x300) << "note 0 still gives a result";
    EXPECT_EQ(parseNoteName("O0Cb"), 0x4FF) << "taken modulo 256";
    EXPECT_EQ(parseNoteName("O9B#"), 0x478);
    for (const char* refused : {"O5b", "O5e", "O5H", "P5C", "OXC", "O5", "O", ""})
        EXPECT_EQ(parseNoteName(refused), 0) << refused;
}

TEST(EventTextParse, DrumAbbreviationsMatchTheirFirstThreeCharacters) {
    EXPECT_EQ(findDrumAbbreviation("ABD"), 35);
    EXPECT_EQ(findDrumAbbreviation("Asn 7F"), 38);
    EXPECT_EQ(findDrumAbbreviation("cc1"), 49);
    EXPECT_EQ(findDrumAbbreviation("otr"), 81);
    for (const char* refused : {"ZZZ", "AS", "", "26 7F"})
        EXPECT_EQ(findDrumAbbreviation(refused), 0) << refused;
}

TEST(EventTextParse, CutsALineAtItsFirstLineEnd) {
    const struct {
        const char* line;
        const char* kept;
    } cases[] = {{"abc\r\n", "abc"}, {"abc\n", "abc"}, {"a\rb\n", "a"}, {"abc", "abc"}, {"\r\n", ""}};
    for (const auto& c : cases) {
        char line[16];
        std::strcpy(line, c.line);
        EXPECT_EQ(cutLineEnd(line), static_cast<int32_t>(std::strlen(c.kept)));
        EXPECT_STREQ(line, c.kept);
    }
}
