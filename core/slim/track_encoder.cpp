#include "slim/track_encoder.h"

#include "smf/delta_time.h"
#include "smf/midi_format.h"

namespace {
constexpr int32_t NoteMessageLength = 3;

int32_t chunkCapacity(size_t eventBytes, size_t eventCount) {
    const size_t needed = eventBytes + eventCount * DeltaTime::MaxBytes + ChunkHeaderSize;
    return needed > static_cast<size_t>(INT32_MAX / 2) ? 0 : static_cast<int32_t>(needed);
}
}  // namespace

TrackEncoder::TrackEncoder(bool noteOffAsNoteOn, size_t eventBytes, size_t eventCount,
                           int32_t runningStatusMode)
    : rewriteNoteOff(noteOffAsNoteOn) {
    builder.runningStatusMode = runningStatusMode;
    const int32_t capacity = chunkCapacity(eventBytes, eventCount);
    usable = capacity > 0 && builder.init(capacity) != 0;
}

bool TrackEncoder::add(int64_t tick, const uint8_t* event, int32_t length) {
    const int64_t delta = tick - lastTick;
    if (!usable || delta < 0 || delta > MaxDeltaTime || length < 1) return false;
    lastTick = tick;
    // The builder takes bytes it may change: it gets a copy.
    scratch.assign(event, event + length);
    if (rewriteNoteOff && length == NoteMessageLength && statusType(event[0]) == StatusNoteOff) {
        scratch[0] = static_cast<uint8_t>(StatusNoteOn | statusChannel(event[0]));
        scratch[2] = 0;
    }
    return builder.append(static_cast<int32_t>(delta), scratch.data(), length) != 0;
}

void TrackEncoder::moveTo(std::vector<uint8_t>& file) {
    file.insert(file.end(), builder.data, builder.data + builder.length);
    builder.release();
    usable = false;
}
