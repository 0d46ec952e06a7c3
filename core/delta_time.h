#pragma once
#include <cstdint>

// Decoder of MIDI variable-length quantities (1 to 4 bytes).
class DeltaTime {
public:
    const uint8_t* source = nullptr;
    int32_t count = 0;
    uint32_t value = 0;

    // Reads at most four bytes; the fourth ends the quantity whatever its top bit.
    int decode(const uint8_t* p);
    // As decode, but never reads past `available` bytes: 0 when the quantity is
    // cut off before its last byte (nothing changes then).
    int decode(const uint8_t* p, int32_t available);
};

// Writes the variable-length encoding of v into out (at least 4 bytes); returns
// the count. A negative v is written as the one byte of its low seven bits.
int encodeVarLen(int32_t v, uint8_t* out);
