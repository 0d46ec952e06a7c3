#include "playing/file_timing.h"

#include <algorithm>
#include <utility>

#include "playing/midi_kinds.h"
#include "playing/playing_walk.h"
#include "smf/big_endian.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
constexpr int32_t MeterDataBytes = 2;  // beats and the denominator's power; the clocks are not needed

// The data of a meta event of the type with at least `needed` bytes, or null.
const uint8_t* metaData(const TrackEvent& event, uint8_t type, int32_t needed) {
    EventBody body;
    if (metaTypeOf(event.bytes, event.length) != type) return nullptr;
    return readEventBody(event.bytes, event.length, body) && body.size >= needed ? body.data : nullptr;
}

}  // namespace

bool setTempoValue(const uint8_t* bytes, int32_t length, int32_t& microsecondsPerQuarter) {
    EventBody body;
    if (metaTypeOf(bytes, length) != MetaSetTempo || !readEventBody(bytes, length, body) ||
        body.size < SetTempoLength)
        return false;
    microsecondsPerQuarter = static_cast<int32_t>(bigEndianValue(body.data, SetTempoLength));
    return true;
}

uint16_t fileDivision(const uint8_t* bytes, size_t size) {
    const bool isMidi = size >= static_cast<size_t>(SmfHeaderSize) && std::equal(bytes, bytes + 4, "MThd");
    return isMidi ? static_cast<uint16_t>(bigEndian16(bytes + DivisionOffset)) : 0;
}

FileTimingReader::FileTimingReader(const uint8_t* bytes, size_t size) {
    timing.division = fileDivision(bytes, size);
}

// The tracks in playing order: every change comes in the order it takes effect.
bool FileTimingReader::onEvent(int32_t, int64_t tick, const TrackEvent& event) {
    if (event.kind != EVENT_META) return true;
    int32_t tempo = 0;
    if (setTempoValue(event.bytes, event.length, tempo)) timing.tempos.push_back({tick, tempo});
    const uint8_t* meter = metaData(event, MetaTimeSignature, MeterDataBytes);
    if (meter != nullptr && meter[0] > 0 && meter[1] <= MaxBeatPower)
        timing.meters.push_back({tick, meter[0], meter[1]});
    return true;
}

FileTiming readFileTiming(const uint8_t* bytes, size_t size) {
    FileTimingReader reader(bytes, size);
    walkInPlayingOrder(bytes, size, reader);
    return std::move(reader.timing);
}
