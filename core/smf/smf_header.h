#pragma once
#include <cstdint>

#include "base/result.h"
#include "smf/midi_format.h"

// The checked header of the loaded file, filled by the analysis pass only.
struct SmfHeaderRecord {
    int32_t format = 0;
    int32_t trackCount = 0;
    int32_t division = 0;
};

extern SmfHeaderRecord SmfHeader;
extern uint8_t headerBytes[SmfHeaderSize];

// Checks the 14 header bytes into header; a refusal carries its message.
// Format and track count are set before the division is judged.
Result checkHeader(const uint8_t* bytes, SmfHeaderRecord& header);

// The same as a code: 1 when accepted, else 0, -1, -2 or -3 (see smfErrorText).
int checkSmfHeader(const uint8_t* bytes, SmfHeaderRecord& header);
// As that, into SmfHeader.
int checkSmfHeader(const uint8_t* bytes);
// The message for a refusal code, or nullptr for any other code, copied into
// one static buffer that the next call overwrites.
const char* smfErrorText(int code);
