#pragma once
#include <cstdint>

// Arithmetic on non-negative times and counts that holds at the largest value
// instead of wrapping: a crafted file of huge delta times gives a huge place,
// never a wrong small one.
namespace saturated {
constexpr int64_t Largest = INT64_MAX;

// a + b for a, b >= 0.
constexpr int64_t sum(int64_t a, int64_t b) {
    return a > Largest - b ? Largest : a + b;
}

// a * b for a, b >= 0.
constexpr int64_t product(int64_t a, int64_t b) {
    return b != 0 && a > Largest / b ? Largest : a * b;
}

// a * b / c rounded down, for a >= 0 and 0 < b, c < 2^31: the remainder's
// product cannot overflow, so only the whole part can saturate.
constexpr int64_t scaled(int64_t a, int64_t b, int64_t c) {
    return sum(product(a / c, b), a % c * b / c);
}

// The value as an int32_t, held at INT32_MAX.
constexpr int32_t narrow(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}
}  // namespace saturated
