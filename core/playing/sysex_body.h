#pragma once
#include <cstdint>

// The data bytes of a system exclusive event (F0 or F7, its length, the
// data): as many as the length announces and the event holds.
struct SysExBody {
    const uint8_t* data = nullptr;
    int64_t size = 0;
};

// False when the event of n bytes has no readable length after its status.
bool readSysExBody(const uint8_t* event, int32_t n, SysExBody& body);
