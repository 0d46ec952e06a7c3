#include "delta_time.h"

namespace {
constexpr int MaxVarLenBytes = 4;
}

int DeltaTime::decode(const uint8_t* p) { return decode(p, MaxVarLenBytes); }

int DeltaTime::decode(const uint8_t* p, int32_t available) {
    uint32_t v = 0;
    for (int i = 0; i < MaxVarLenBytes; ++i) {
        if (i >= available) return 0;
        v = (v << 7) | (p[i] & 0x7Fu);
        if (p[i] < 0x80 || i == MaxVarLenBytes - 1) {
            source = p;
            count = i + 1;
            value = v;
            return count;
        }
    }
    return 0;
}

int encodeVarLen(int32_t v, uint8_t* out) {
    const uint32_t u = static_cast<uint32_t>(v);
    const uint8_t g0 = u & 0x7F, g1 = (u >> 7) & 0x7F, g2 = (u >> 14) & 0x7F, g3 = (u >> 21) & 0x7F;
    int n = 0;
    if (v > 0x1FFFFF) out[n++] = g3 | 0x80;
    if (v > 0x3FFF) out[n++] = g2 | 0x80;
    if (v > 127) out[n++] = g1 | 0x80;
    out[n++] = g0;
    return n;
}
