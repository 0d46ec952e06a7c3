#include "playing/playing_walk.h"

#include <cstring>

#include "smf/big_endian.h"
#include "smf/midi_format.h"

bool TrackEvent::matches(const uint8_t* pattern, int32_t n) const {
    if (n <= 0) return true;
    return length >= n && std::memcmp(bytes, pattern, static_cast<size_t>(n)) == 0;
}

std::vector<TrackBody> trackBodies(const uint8_t* file, size_t size) {
    std::vector<TrackBody> bodies;
    if (size < static_cast<size_t>(SmfHeaderSize) || std::memcmp(file, "MThd", 4) != 0) return bodies;
    // The reader reads a file held in a VFILE, whose size is an int32_t.
    const size_t end = size > static_cast<size_t>(INT32_MAX) ? static_cast<size_t>(INT32_MAX) : size;
    const uint32_t announcedTracks = bigEndian16(file + TrackCountOffset);
    size_t at = SmfHeaderSize;
    while (bodies.size() < announcedTracks && end - at >= static_cast<size_t>(ChunkHeaderSize)) {
        const size_t available = end - at - ChunkHeaderSize;
        const uint32_t announced = bigEndian32(file + at + 4);
        const size_t length = announced > available ? available : announced;
        if (std::memcmp(file + at, "MTrk", 4) == 0)
            bodies.push_back({file + at + ChunkHeaderSize, static_cast<int32_t>(length)});
        at += ChunkHeaderSize + length;
    }
    return bodies;
}
