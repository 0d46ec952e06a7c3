#include "smf/smf_header.h"

#include <cstdio>
#include <cstring>

#include "smf/big_endian.h"

SmfHeaderRecord SmfHeader;
uint8_t headerBytes[SmfHeaderSize];

int checkSmfHeader(const uint8_t* bytes) {
    return checkSmfHeader(bytes, SmfHeader);
}

int checkSmfHeader(const uint8_t* bytes, SmfHeaderRecord& header) {
    if (std::memcmp(bytes, "MThd", 4) != 0) return 0;
    if (bigEndian32(bytes + 4) != SmfHeaderSize - ChunkHeaderSize) return -1;
    const uint32_t format = bigEndian16(bytes + FormatOffset);
    if (format > 2) return -2;
    header.format = static_cast<int32_t>(format);
    header.trackCount = static_cast<int32_t>(bigEndian16(bytes + TrackCountOffset));
    const uint32_t division = bigEndian16(bytes + DivisionOffset);
    if (division & 0x8000) return -3;
    header.division = static_cast<int32_t>(division);
    return 1;
}

const char* smfErrorMessage(int code) {
    switch (code) {
        case 0:
            return "this is not midi";
        case -1:
            return "head type no good";
        case -2:
            return "MIDI format no match";
        case -3:
            return "no support type delta time";
        default:
            return nullptr;
    }
}

const char* smfErrorText(int code) {
    static char message[256];
    const char* text = smfErrorMessage(code);
    if (text == nullptr) return nullptr;
    std::snprintf(message, sizeof message, "%s", text);
    return message;
}
