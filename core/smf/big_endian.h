#pragma once
#include <cstdint>

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
