#include "smf/big_endian.h"

void BigEndian::set(const uint8_t* bytes, int32_t n) {
    if (n < 1 || n > Capacity) return;
    count = n;
    for (int32_t k = 0; k < n; ++k) {
        plain[k] = static_cast<char>(bytes[k]);
        swapped[k] = bytes[n - 1 - k];
    }
    plain[n] = 0;
}

// The low bits of the value are its last bytes.
uint32_t BigEndian::lowBytesValue(int width) const {
    if (count < width) return 0;
    return bigEndianValue(reinterpret_cast<const uint8_t*>(plain) + count - width, width);
}

uint32_t BigEndian::toWord() const {
    return lowBytesValue(2);
}
uint32_t BigEndian::toTriple() const {
    return lowBytesValue(3);
}
uint32_t BigEndian::toLong() const {
    return lowBytesValue(4);
}
