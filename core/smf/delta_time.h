#pragma once
#include <cstdint>

// Decoder of MIDI variable-length quantities (1 to 4 bytes).
class DeltaTime {
public:
    static constexpr int MaxBytes = 4;

    const uint8_t* source = nullptr;
    int32_t count = 0;
    uint32_t value = 0;

    // Reads at most four bytes; the fourth ends the quantity whatever its top bit.
    int decode(const uint8_t* p);
    // As decode, but never reads past `available` bytes: 0 when the quantity is
    // cut off before its last byte (nothing changes then). Inline: every event
    // of every pass starts with one.
    int decode(const uint8_t* p, int32_t available) {
        uint32_t v = 0;
        for (int i = 0; i < MaxBytes; ++i) {
            if (i >= available) return 0;
            v = (v << 7) | (p[i] & 0x7Fu);
            if (p[i] < 0x80 || i == MaxBytes - 1) {
                source = p;
                count = i + 1;
                value = v;
                return count;
            }
        }
        return 0;
    }
};

// Writes the variable-length encoding of v into out (at least 4 bytes); returns
// the count. A negative v is written as the one byte of its low seven bits.
// Inline: the conversion writes one per event.
inline int encodeVarLen(int32_t v, uint8_t* out) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t g0 = u & 0x7F, g1 = (u >> 7) & 0x7F, g2 = (u >> 14) & 0x7F, g3 = (u >> 21) & 0x7F;
    // Each group is stored, and the place moves on only when the group is
    // needed: no branch on the value's size.
    uint8_t* to = out;
    *to = g3 | 0x80;
    to += v > 0x1FFFFF ? 1 : 0;
    *to = g2 | 0x80;
    to += v > 0x3FFF ? 1 : 0;
    *to = g1 | 0x80;
    to += v > 127 ? 1 : 0;
    *to = g0;
    return static_cast<int>(to - out) + 1;
}
