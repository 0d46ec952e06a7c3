#pragma once
#include <cstdint>

// The checked header of the loaded file, filled by the analysis pass only.
struct SmfHeaderRecord {
    int32_t format = 0;
    int32_t trackCount = 0;
    int32_t division = 0;
};

constexpr int SmfHeaderSize = 14;

extern SmfHeaderRecord SmfHeader;
extern uint8_t headerBytes[SmfHeaderSize];

// 1 when accepted, else 0, -1, -2 or -3 (see smfErrorText).
int checkSmfHeader(const uint8_t* bytes);
// The message for a refusal code, or nullptr for any other code.
const char* smfErrorText(int code);
