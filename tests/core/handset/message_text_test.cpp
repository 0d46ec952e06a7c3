// The words of the programs' lines: counts in the number they take.
#include "handset/message_text.h"

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
