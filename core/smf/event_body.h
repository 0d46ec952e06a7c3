#pragma once
#include <cstdint>

// The data of a meta event (FF, type, length, data) or a system exclusive
// event (F0 or F7, length, data). The length is a variable-length quantity;
// the data are as many bytes as it announces and the event holds.
struct EventBody {
    const uint8_t* data = nullptr;
    uint32_t announced = 0;  // the length the event gives
    int64_t size = 0;        // the data bytes the event holds of those
};

// False, with body empty, for an event of n bytes that is no meta or SysEx
// event, or whose length is cut off.
bool readEventBody(const uint8_t* event, int32_t n, EventBody& body);
