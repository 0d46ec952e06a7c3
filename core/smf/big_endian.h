#pragma once
#include <cstdint>

// Every big-endian value of a MIDI file is read here: the value of its n
// bytes (1 to 4), the first most significant.
constexpr uint32_t bigEndianValue(const uint8_t* bytes, int n) {
    uint32_t value = 0;
    for (int k = 0; k < n; ++k) value = value << 8 | bytes[k];
    return value;
}
constexpr uint32_t bigEndian16(const uint8_t* bytes) {
    return bigEndianValue(bytes, 2);
}
constexpr uint32_t bigEndian32(const uint8_t* bytes) {
    return bigEndianValue(bytes, 4);
}

inline void putBigEndian16(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value >> 8);
    bytes[1] = static_cast<uint8_t>(value);
}
inline void putBigEndian32(uint8_t* bytes, uint32_t value) {
    putBigEndian16(bytes, value >> 16);
    putBigEndian16(bytes + 2, value);
}

// Turns a run of big-endian bytes from a MIDI file into an integer, and the
// same run into a string for chunk tags.
class BigEndian {
public:
    static constexpr int Capacity = 512;

    uint8_t swapped[Capacity] = {};
    char plain[Capacity + 1] = {};
    int32_t count = 0;

    BigEndian() = default;
    ~BigEndian() { count = 0; }

    void set(const uint8_t* bytes, int32_t n);
    uint32_t toWord() const;
    uint32_t toTriple() const;
    uint32_t toLong() const;
    const char* text() const { return plain; }

private:
    uint32_t lowBytesValue(int width) const;
};
