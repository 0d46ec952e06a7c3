#include "smf/midi_track.h"

#include <cstdlib>
#include <cstring>

#include "smf/big_endian.h"
#include "smf/delta_time.h"
#include "smf/midi_format.h"
#include "smf/output_sink.h"

namespace {
constexpr int32_t SpareBytes = 16;
constexpr int32_t MaxChannelMessageLength = 3;
}  // namespace

MIDITrack::~MIDITrack() {
    release();
}

void MIDITrack::release() {
    if (capacity != 0) std::free(data);
    data = nullptr;
    requested = capacity = length = 0;
    valid = 0;
    lastStatus = 0;
}

int MIDITrack::init(int32_t size) {
    if (size <= 0 || size > INT32_MAX - SpareBytes) return 0;
    if (valid) release();
    requested = 0;
    auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size) + SpareBytes));
    if (buffer == nullptr) return 0;
    data = buffer;
    requested = size;
    capacity = size + SpareBytes;
    std::memcpy(data, "MTrk\0\0\0\0", ChunkHeaderSize);
    length = ChunkHeaderSize;
    valid = 1;
    return 1;
}

int MIDITrack::put(uint8_t b) {
    if (!valid) return 0;
    if (length >= capacity) {
        overflow = 1;
        return 0;
    }
    data[length++] = b;
    return 1;
}

// Whether a status repeats follows the music, which no branch predicts:
// the outcome is computed, not branched on.
int MIDITrack::statusSkip(uint8_t* event) {
    if (runningStatusMode == 0) return 0;
    const int32_t s = event[0];
    if (!isChannelStatus(lastStatus) || !isChannelStatus(s)) {
        lastStatus = s;
        return 0;
    }
    const bool repeated = s == lastStatus;
    const auto last = static_cast<uint8_t>(lastStatus);
    const bool afterNoteOn = statusType(last) == StatusNoteOn;
    const bool noteOff = statusType(event[0]) == StatusNoteOff;
    const bool sameChannel = statusChannel(event[0]) == statusChannel(last);
    const bool noteOffAfterNoteOnOfSameChannel = afterNoteOn & noteOff & sameChannel;
    // Level 2 writes such a note-off as a note-on of velocity 0 under the running status.
    const bool offAsOn = (runningStatusMode > 1) & noteOffAfterNoteOnOfSameChannel;
    if (offAsOn) event[2] = 0;  // a note-off has its three bytes
    lastStatus = offAsOn ? lastStatus : s;
    return static_cast<int>(repeated | offAsOn);
}

// Near the end of the buffer: every byte is checked, and what does not fit
// sets overflow.
int MIDITrack::appendByteByByte(int32_t delta, uint8_t* event, int32_t n) {
    uint8_t encoded[DeltaTime::MaxBytes];
    const int count = encodeVarLen(delta, encoded);
    for (int i = 0; i < count && put(encoded[i]); ++i) {
    }
    if (overflow || !valid) return 0;
    const int32_t skip = n > 0 ? statusSkip(event) : 0;
    for (int32_t i = skip; i < n && put(event[i]); ++i) {
    }
    updateLength();
    return overflow ? 0 : 1;
}

// The whole event fits: written with no check per byte.
int MIDITrack::appendWithRoom(int32_t delta, uint8_t* event, int32_t n) {
    uint8_t* to = data + length;
    to += encodeVarLen(delta, to);
    const int32_t skip = n > 0 ? statusSkip(event) : 0;
    length = static_cast<int32_t>(copyEventBytes(to, event + skip, n - skip) - data);
    updateLength();
    return 1;
}

// Channel messages are one to three bytes: stored one by one, which costs
// less than starting a block copy; longer events are copied as a block.
uint8_t* MIDITrack::copyEventBytes(uint8_t* to, const uint8_t* from, int32_t count) {
    if (count > MaxChannelMessageLength) {
        std::memcpy(to, from, static_cast<size_t>(count));
        return to + count;
    }
    if (count > 0) to[0] = from[0];
    if (count > 1) to[1] = from[1];
    if (count > 2) to[2] = from[2];
    return to + (count > 0 ? count : 0);
}

void MIDITrack::updateLength() {
    if (!valid) return;
    putBigEndian32(data + 4, static_cast<uint32_t>(length - ChunkHeaderSize));
}

int MIDITrack::writeTo(OutputSink* sink) const {
    if (!valid || sink == nullptr) return 0;
    return sink->write(data, static_cast<size_t>(length)) ? 1 : 0;
}
