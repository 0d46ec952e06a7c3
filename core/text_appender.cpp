#include "text_appender.h"

namespace {
constexpr int DecimalTextSize = 12;  // "-2147483648" and NUL
constexpr int HexWordTextSize = 9;
}  // namespace

// "00" to "ff", the two lower-case digits of every byte value.
const char TextAppender::LowerHexPairs[] =
    "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"
    "202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f"
    "404142434445464748494a4b4c4d4e4f505152535455565758595a5b5c5d5e5f"
    "606162636465666768696a6b6c6d6e6f707172737475767778797a7b7c7d7e7f"
    "808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f"
    "a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5b6b7b8b9babbbcbdbebf"
    "c0c1c2c3c4c5c6c7c8c9cacbcccdcecfd0d1d2d3d4d5d6d7d8d9dadbdcdddedf"
    "e0e1e2e3e4e5e6e7e8e9eaebecedeeeff0f1f2f3f4f5f6f7f8f9fafbfcfdfeff";

// As much of the NUL-terminated text as the room takes.
int32_t TextAppender::copyCut(char* to, int32_t room, const char* text) {
    int32_t taken = 0;
    for (; taken < room && text[taken] != 0; ++taken) to[taken] = text[taken];
    return taken;
}

int32_t TextAppender::decimalCut(char* to, int32_t room, int32_t value, int width) {
    char digits[DecimalTextSize];
    const int32_t n = TextAppender(digits, DecimalTextSize).decimal(value).size();
    int32_t blanks = 0;
    for (; blanks < width - n && blanks < room; ++blanks) to[blanks] = ' ';
    return blanks + copyCut(to + blanks, room - blanks, digits);
}

int32_t TextAppender::hexWordCut(char* to, int32_t room, uint32_t value) {
    char digits[HexWordTextSize];
    TextAppender(digits, HexWordTextSize).hexWord(value);
    return copyCut(to, room, digits);
}
