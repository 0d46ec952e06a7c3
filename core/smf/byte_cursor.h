#pragma once
#include <cstdint>

#include "smf/delta_time.h"

// Bounds-checked reading of a track body: every read either succeeds whole or
// fails without moving, so a cut-off event is never read past the body's end.
class ByteCursor {
public:
    ByteCursor(const uint8_t* begin, int32_t end, int32_t start) : bytes(begin), limit(end), offset(start) {}

    int32_t position() const { return offset; }
    int32_t remaining() const { return limit - offset; }

    bool tryReadByte(uint8_t& out) {
        if (remaining() < 1) return false;
        out = bytes[offset++];
        return true;
    }

    bool tryReadVarLen(DeltaTime& decoder) {
        const int used = decoder.decode(bytes + offset, remaining());
        if (used == 0) return false;
        offset += used;
        return true;
    }

    bool trySkip(uint32_t n) {
        if (n > static_cast<uint32_t>(remaining())) return false;
        offset += static_cast<int32_t>(n);
        return true;
    }

private:
    const uint8_t* bytes;
    int32_t limit;
    int32_t offset;
};
