#pragma once
#include <cstdint>

// The one reader of decimal numbers typed by people (the -T option, the
// length box, the event text): blanks skipped, an optional sign, digits up to
// the first other character; no digits read as 0. The value is held within
// [lowest, highest], each caller keeping the bounds it always had.
int32_t readDecimal(const char* text, int32_t lowest = INT32_MIN, int32_t highest = INT32_MAX);
