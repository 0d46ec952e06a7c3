#include "report/decimal_text.h"

#include <cctype>

namespace {
// Past every 32-bit bound: further digits cannot bring the value back.
constexpr int64_t MagnitudeCeiling = INT64_C(1) << 32;
}  // namespace

int32_t readDecimal(const char* text, int32_t lowest, int32_t highest) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > MagnitudeCeiling) magnitude = MagnitudeCeiling;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < lowest) return lowest;
    return value > highest ? highest : static_cast<int32_t>(value);
}
