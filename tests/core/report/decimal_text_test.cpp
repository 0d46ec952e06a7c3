// The one decimal reader, with the bounds each of its callers keeps: the -T
// option and the length box (a 32-bit long's range) and the event text
// (symmetric), and the hexadecimal digits everything is formatted from.
#include "report/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "convert/hex_digits.h"

TEST(DecimalText, ReadsWhatAtolReads) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {{"480", 480}, {"  \t\n+77x", 77}, {"-12", -12}, {"0009", 9}, {"", 0},      {"-", 0},
                 {"+-5", 0},   {"x12", 0},         {"1 2", 1},   {"7e3", 7},  {"\v\f3", 3}, {"- 4", 0}};
    for (const auto& c : cases) EXPECT_EQ(readDecimal(c.text), c.value) << c.text;
}

TEST(DecimalText, EachCallerKeepsItsOwnSaturation) {
    // -T and the length box: a 32-bit long's range.
    EXPECT_EQ(readDecimal("2147483647"), INT32_MAX);
    EXPECT_EQ(readDecimal("2147483648"), INT32_MAX);
    EXPECT_EQ(readDecimal("-2147483648"), INT32_MIN);
    EXPECT_EQ(readDecimal("-2147483649"), INT32_MIN);
    EXPECT_EQ(readDecimal("99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(readDecimal("-99999999999999999999999999"), INT32_MIN);
    // The event text: symmetric.
    EXPECT_EQ(readDecimal("-2147483648", -INT32_MAX, INT32_MAX), -INT32_MAX);
    EXPECT_EQ(readDecimal("-99999999999999999999", -INT32_MAX, INT32_MAX), -INT32_MAX);
    EXPECT_EQ(readDecimal("4294967296", -INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(readDecimal("-2147483647", -INT32_MAX, INT32_MAX), -INT32_MAX);
}

TEST(HexDigits, OneTableServesEveryForm) {
    for (int value = 0; value < 256; ++value) {
        char expected[3];
        std::snprintf(expected, sizeof expected, "%02x", value);
        EXPECT_EQ(std::string(LowerHexPairs.text + 2 * value, 2), expected);
        EXPECT_EQ(hexDigitValue(UpperHexDigits[value & 0x0F]), value & 0x0F);
    }
    EXPECT_EQ(hexByteValue('f', 'E'), 0xFE);
}
