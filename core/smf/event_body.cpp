#include "smf/event_body.h"

#include <algorithm>

#include "smf/delta_time.h"
#include "smf/midi_format.h"

namespace {
// Where the length starts: after the status, and a meta event's type.
int32_t lengthOffset(uint8_t status) {
    if (status == StatusMeta) return 2;
    return status == StatusSysEx || status == StatusSysExContinuation ? 1 : 0;
}
}  // namespace

bool readEventBody(const uint8_t* event, int32_t n, EventBody& body) {
    body = EventBody();
    const int32_t offset = n >= 1 ? lengthOffset(event[0]) : 0;
    if (offset == 0 || n <= offset) return false;
    DeltaTime length;
    const int used = length.decode(event + offset, n - offset);
    if (used == 0) return false;
    body.data = event + offset + used;
    body.announced = length.value;
    body.size = std::min<int64_t>(length.value, n - offset - used);
    return true;
}
