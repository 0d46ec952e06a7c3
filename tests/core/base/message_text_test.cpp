// The words of the programs' lines: counts in the number they take.
#include "base/message_text.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(CountText, OneTakesTheSingularEveryOtherCountThePlural) {
    const CountWords notes{"note", "notes"};
    EXPECT_EQ(countText(1, notes), "1 note");
    EXPECT_EQ(countText(0, notes), "0 notes");
    EXPECT_EQ(countText(2, notes), "2 notes");
    EXPECT_EQ(countText(-1, notes), "-1 notes");
    EXPECT_EQ(countText(INT64_MAX, {"byte", "bytes"}), "9223372036854775807 bytes");
    EXPECT_EQ(countText(size_t{1}, {"tempo change", "tempo changes"}), "1 tempo change");
}

TEST(EchoedText, BytesOutsidePrintableAsciiShowAsTheirValue) {
    EXPECT_EQ(printableText("key-range ~ 0"), "key-range ~ 0");
    EXPECT_EQ(printableText(std::string("a\tb\nc\x1B[0m\x7F\x80\xFF", 12)),
              "a\\x09b\\x0Ac\\x1B[0m\\x7F\\x80\\xFF");
    EXPECT_EQ(printableText(std::string("\0z", 2)), "\\x00z");
    EXPECT_EQ(printableText(""), "");
}

TEST(EchoedText, AtMostFortyPrintedCharactersACutTextEndingInDots) {
    const std::string forty(40, 'k');
    EXPECT_EQ(echoedText(forty), forty);
    EXPECT_EQ(echoedText(forty + "k"), std::string(37, 'k') + "...");
    EXPECT_EQ(echoedText(std::string(100000, 'k')), std::string(37, 'k') + "...");
    // An escape counts as its four characters and is never cut in two.
    EXPECT_EQ(echoedText(std::string(36, 'k') + "\x01"), std::string(36, 'k') + "\\x01");
    EXPECT_EQ(echoedText(std::string(36, 'k') + "\x01" + "k"), std::string(36, 'k') + "...");
    std::string nineEscapes;
    for (int i = 0; i < 9; ++i) nineEscapes += "\\x1B";
    EXPECT_EQ(echoedText(std::string(20, '\x1B')), nineEscapes + "...");
}
