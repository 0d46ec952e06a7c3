#pragma once
#include <cstdint>

#include "fit/handset_profile.h"

// The kinds a profile can name that an event is of, bit k for MessageKind k:
// a master volume message is also SysEx. The MIP message and GM System On
// are of none, as the check counts them apart. bytes: the event, status first.
uint8_t messageKindsOf(const uint8_t* bytes, int32_t length);

inline bool isOfKind(uint8_t kinds, MessageKind kind) {
    return bitIsSet(kinds, static_cast<int>(kind));
}
