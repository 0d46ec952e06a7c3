#include "report/text_appender.h"

namespace {
constexpr int DecimalTextSize = 12;  // "-2147483648" and NUL
constexpr int HexWordTextSize = 9;
}  // namespace

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
