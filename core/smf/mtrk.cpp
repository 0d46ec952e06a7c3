#include "smf/mtrk.h"

#include <cstdlib>
#include <cstring>

#include "smf/big_endian.h"
#include "smf/event_decoding.h"
#include "smf/midi_format.h"
#include "smf/vfile.h"

MTrk trackReader;

namespace {
// A time signature's numerator comes first, then its denominator as a power of two.
constexpr uint8_t QuarterNotes = 2;
}  // namespace

const uint8_t PATTERN_TIMESIG_1_4[5] = {StatusMeta, MetaTimeSignature, TimeSignatureLength, 1, QuarterNotes};
const uint8_t PATTERN_TIMESIG_4_4[5] = {StatusMeta, MetaTimeSignature, TimeSignatureLength, 4, QuarterNotes};
const uint8_t PATTERN_END_OF_TRACK[3] = {StatusMeta, MetaEndOfTrack, EndOfTrackLength};
const uint8_t PATTERN_TEMPO[3] = {StatusMeta, MetaSetTempo, SetTempoLength};

MTrk::~MTrk() {
    freeBody();
}

void MTrk::freeBody() {
    if (allocated != 0) std::free(data);
    data = nullptr;
    allocated = 0;
    // The current event may live in the freed body: forget it rather than dangle.
    event = builtEvent;
    eventLength = 0;
}

int MTrk::parseChunkHeader(const uint8_t* bytes, int32_t available) {
    std::memcpy(chunkId, bytes, 4);
    chunkId[4] = 0;
    if (std::memcmp(bytes, "MTrk", 4) != 0) return 0;
    const uint32_t announced = bigEndian32(bytes + 4);
    if (available < 0) available = 0;
    length = announced > static_cast<uint32_t>(available) ? available : static_cast<int32_t>(announced);
    freeBody();
    position = length;  // nothing to decode until a body is read
    data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 2));
    if (data == nullptr) {
        length = 0;
        position = 0;
        return 0;
    }
    allocated = length + 2;
    return 1;
}

int MTrk::readChunkHeader(VFILE& file) {
    uint8_t header[ChunkHeaderSize];
    if (file.read(header, ChunkHeaderSize) != ChunkHeaderSize) return 0;
    const int32_t available = file.size - file.position;
    if (parseChunkHeader(header, available)) return 1;
    if (std::strcmp(chunkId, "MTrk") != 0) {
        // Another kind of chunk: step over its announced body and report it as
        // not loaded; load goes on with the chunk after it.
        const uint32_t announced = bigEndian32(header + 4);
        file.position +=
            announced > static_cast<uint32_t>(available) ? available : static_cast<int32_t>(announced);
    }
    return 0;
}

int MTrk::readChunkBody(VFILE& file) {
    return file.read(data, length);
}

int MTrk::load(VFILE& file) {
    if (!file.isLoaded) return 0;
    for (;;) {
        const int32_t before = file.position;
        if (readChunkHeader(file)) break;
        const bool alienChunkSkipped = file.position > before && std::strcmp(chunkId, "MTrk") != 0;
        if (!alienChunkSkipped || file.size - file.position < ChunkHeaderSize) return 0;
    }
    readChunkBody(file);
    position = 0;
    return 1;
}

int MTrk::nextEvent() {
    BodyEvent decoded;
    if (!decodeEvent(data, length, position, runningStatus, decoded)) return 0;
    deltaTime = decoded.delta;
    delta = static_cast<int32_t>(decoded.delta.value);
    kind = decoded.kind;
    if (decoded.statusOffset < 0) {
        std::memcpy(builtEvent, decoded.built, sizeof builtEvent);
        event = builtEvent;
    } else {
        event = data + decoded.statusOffset;
    }
    eventLength = decoded.length;
    isNote = isNoteStatus(event[0]) ? 1 : 0;
    return eventLength;
}

int MTrk::matches(const uint8_t* pattern, int32_t n) const {
    if (n <= 0) return 1;
    if (eventLength < n) return 0;
    return std::memcmp(event, pattern, static_cast<size_t>(n)) == 0 ? 1 : 0;
}
