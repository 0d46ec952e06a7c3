#include "report/text_appender.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr char Canary = '#';

const std::vector<int32_t>& sampleNumbers() {
    static const std::vector<int32_t> numbers = {
        0,          1,     9,     10,    42,     99,     100,      127,       255,       999,       1000,
        9999,       10000, 65535, 99999, 100000, 999999, 1000000,  9999999,   10000000,  123456789, 999999999,
        1000000000, -1,    -9,    -10,   -128,   -99999, -1000000, INT32_MAX, INT32_MIN, 0x0FFFFFFF};
    return numbers;
}

// What snprintf makes of the same format in a buffer of the same size.
template <class... Values>
std::string printed(int32_t size, const char* format, Values... values) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1, Canary);
    if (size > 0) std::snprintf(buffer.data(), static_cast<size_t>(size), format, values...);
    return size > 0 ? std::string(buffer.data()) : std::string();
}

// The appender's text in a buffer of size bytes, checking that nothing was
// written past it.
template <class Build>
std::string appended(int32_t size, Build build) {
    std::vector<char> buffer(static_cast<size_t>(size) + 8, Canary);
    TextAppender text(buffer.data(), size);
    build(text);
    for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i) EXPECT_EQ(buffer[i], Canary) << size;
    if (size <= 0) return std::string();
    EXPECT_EQ(static_cast<size_t>(text.size()), std::string(buffer.data()).size());
    return std::string(buffer.data());
}
}  // namespace

TEST(TextAppender, DecimalIsWhatPrintfWrites) {
    for (int32_t size : {0, 1, 2, 3, 5, 8, 12, 40}) {
        for (int32_t value : sampleNumbers()) {
            EXPECT_EQ(appended(size, [&](TextAppender& t) { t.decimal(value); }), printed(size, "%d", value))
                << value << " in " << size;
        }
    }
}

TEST(TextAppender, RightAlignedDecimalIsWhatPrintfWrites) {
    for (int32_t size : {0, 1, 4, 7, 8, 9, 12, 40}) {
        for (int width : {0, 1, 3, 7, 8, 11, 12, 20}) {
            for (int32_t value : sampleNumbers()) {
                EXPECT_EQ(
                    appended(size, [&](TextAppender& t) { t.text("x").decimalRightAligned(value, width); }),
                    printed(size, "x%*d", width, value))
                    << value << " width " << width << " in " << size;
            }
        }
    }
}

TEST(TextAppender, HexIsWhatPrintfWrites) {
    for (int32_t size : {0, 1, 2, 3, 6, 9, 10, 40}) {
        for (uint32_t value : {0u, 1u, 0x0Fu, 0x10u, 0x7Fu, 0xA5u, 0xFFu, 0x1E0u, 0x0FFFFFFFu, 0xFFFFFFFFu}) {
            EXPECT_EQ(
                appended(size, [&](TextAppender& t) { t.hexByte(value).character('|').hexWord(value); }),
                printed(size, "%02X|%08x", value & 0xFF, value))
                << value << " in " << size;
        }
    }
}

TEST(TextAppender, TextsAreCutWhereTheBufferEnds) {
    const std::string longText(100, 'y');
    for (int32_t size = 0; size < 120; ++size) {
        EXPECT_EQ(appended(size,
                           [&](TextAppender& t) {
                               t.text("Ch:").decimal(9).character(' ').text(longText.c_str()).text("abc", 2);
                           }),
                  printed(size, "Ch:%d %s%s", 9, longText.c_str(), "ab"))
            << size;
    }
}

TEST(TextAppender, StartsEveryBufferAsAnEmptyText) {
    // Sized at run time: with a size it can see, the compiler warns of the
    // paths for texts that fit, which a full buffer never takes.
    volatile int32_t size = 4;
    std::vector<char> buffer(static_cast<size_t>(size), 'a');
    TextAppender text(buffer.data(), size);
    EXPECT_EQ(text.size(), 0);
    EXPECT_EQ(buffer[0], 0);
    text.text("").text("", 0);
    EXPECT_EQ(text.size(), 0);
    text.text("abcdef");
    EXPECT_EQ(std::string(buffer.data()), "abc");
    text.character('z').decimal(7).hexByte(0xFF).hexWord(1).decimalRightAligned(5, 9);
    EXPECT_EQ(std::string(buffer.data()), "abc");
}
