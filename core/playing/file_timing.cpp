#include "playing/file_timing.h"

#include <algorithm>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/midi_format.h"

namespace {
constexpr uint8_t MetaTimeSignature = 0x58;
constexpr int32_t TempoDataBytes = 3;
constexpr int32_t MeterDataBytes = 2;  // beats and the denominator's power; the clocks are not needed

// The data of a meta event of the type with at least `needed` bytes, or null.
// The length is a variable-length quantity, as the reader decodes it.
const uint8_t* metaData(const MTrk& reader, uint8_t type, int32_t needed) {
    if (reader.kind != EVENT_META || reader.eventLength < 3 || reader.event[1] != type) return nullptr;
    DeltaTime length;
    const int used = length.decode(reader.event + 2, reader.eventLength - 2);
    if (used == 0 || length.value < static_cast<uint32_t>(needed)) return nullptr;
    const int32_t start = 2 + used;
    return reader.eventLength - start >= needed ? reader.event + start : nullptr;
}

class TimingWalk : public TrackVisitor {
public:
    FileTiming timing;

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        if (const uint8_t* tempo = metaData(reader, MetaSetTempo, TempoDataBytes))
            timing.tempos.push_back(
                {at.tick, static_cast<int32_t>(tempo[0] << 16 | tempo[1] << 8 | tempo[2])});
        const uint8_t* meter = metaData(reader, MetaTimeSignature, MeterDataBytes);
        if (meter != nullptr && meter[0] > 0 && meter[1] <= MaxBeatPower)
            timing.meters.push_back({at.tick, meter[0], meter[1]});
        return true;
    }
};

// Each track is walked in turn, so a stable sort by tick is the playing order.
template <class Change>
void intoPlayingOrder(std::vector<Change>& changes) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
}
}  // namespace

FileTiming readFileTiming(const uint8_t* bytes, size_t size) {
    BytesPass pass(bytes, size);
    TimingWalk walk;
    walkFile(pass.pass(), walk);
    walk.timing.division = static_cast<uint16_t>(pass.pass().header.division);
    intoPlayingOrder(walk.timing.tempos);
    intoPlayingOrder(walk.timing.meters);
    return walk.timing;
}
