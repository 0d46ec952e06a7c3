#include "smf_header.h"

#include <cstdio>
#include <cstring>

#include "big_endian.h"

SmfHeaderRecord SmfHeader;
uint8_t headerBytes[SmfHeaderSize];

namespace {
uint32_t wordAt(const uint8_t* bytes, int offset) {
    BigEndian converter;
    converter.set(bytes + offset, 2);
    return converter.toWord();
}
}  // namespace

int checkSmfHeader(const uint8_t* bytes) {
    if (std::memcmp(bytes, "MThd", 4) != 0) return 0;
    BigEndian converter;
    converter.set(bytes + 4, 4);
    if (converter.toLong() != 6) return -1;
    const uint32_t format = wordAt(bytes, 8);
    if (format > 2) return -2;
    SmfHeader.format = static_cast<int32_t>(format);
    SmfHeader.trackCount = static_cast<int32_t>(wordAt(bytes, 10));
    const uint32_t division = wordAt(bytes, 12);
    if (division & 0x8000) return -3;
    SmfHeader.division = static_cast<int32_t>(division);
    return 1;
}

const char* smfErrorText(int code) {
    static char message[256];
    const char* text = nullptr;
    switch (code) {
        case 0: text = "this is not midi"; break;
        case -1: text = "head type no good"; break;
        case -2: text = "MIDI format no match"; break;
        case -3: text = "no support type delta time"; break;
        default: return nullptr;
    }
    std::snprintf(message, sizeof message, "%s", text);
    return message;
}
