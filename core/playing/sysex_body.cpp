#include "playing/sysex_body.h"

#include <algorithm>

#include "smf/delta_time.h"

bool readSysExBody(const uint8_t* event, int32_t n, SysExBody& body) {
    if (n < 2) return false;
    DeltaTime length;
    const int used = length.decode(event + 1, n - 1);
    if (used == 0) return false;
    body.data = event + 1 + used;
    body.size = std::min<int64_t>(length.value, n - 1 - used);
    return true;
}
