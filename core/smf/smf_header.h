#pragma once
#include <cstdint>

#include "smf/midi_format.h"

// The checked header of the loaded file, filled by the analysis pass only.
struct SmfHeaderRecord {
    int32_t format = 0;
    int32_t trackCount = 0;
    int32_t division = 0;
};

extern SmfHeaderRecord SmfHeader;
extern uint8_t headerBytes[SmfHeaderSize];

// 1 when accepted, else 0, -1, -2 or -3 (see smfErrorText); fills SmfHeader.
int checkSmfHeader(const uint8_t* bytes);
// The same into a header record of a pass's own.
int checkSmfHeader(const uint8_t* bytes, SmfHeaderRecord& header);
// The message for a refusal code, or nullptr for any other code, copied into
// one static buffer that the next call overwrites.
const char* smfErrorText(int code);
// The same message as a fixed text that stays valid.
const char* smfErrorMessage(int code);
