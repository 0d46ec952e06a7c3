#include "playing/file_timing.h"

#include <utility>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/midi_kinds.h"
#include "playing/time_line.h"
#include "smf/big_endian.h"
#include "smf/event_body.h"
#include "smf/midi_format.h"

namespace {
constexpr int32_t MeterDataBytes = 2;  // beats and the denominator's power; the clocks are not needed

// The data of a meta event of the type with at least `needed` bytes, or null.
const uint8_t* metaData(const MTrk& reader, uint8_t type, int32_t needed) {
    EventBody body;
    if (metaTypeOf(reader.event, reader.eventLength) != type) return nullptr;
    return readEventBody(reader.event, reader.eventLength, body) && body.size >= needed ? body.data : nullptr;
}

// Each track's changes are in tick order: runs that the one merge puts into playing order.
template <class Change>
struct ChangeRuns {
    std::vector<Change> changes;
    std::vector<size_t> starts;

    void beginRun() { starts.push_back(changes.size()); }
    std::vector<Change> inPlayingOrder() {
        starts.push_back(changes.size());
        mergeRuns(changes, std::move(starts), [](const Change& change) { return change.tick; });
        return std::move(changes);
    }
};

class TimingWalk : public TrackVisitor {
public:
    ChangeRuns<TempoChange> tempos;
    ChangeRuns<MeterChange> meters;

    bool beginTrack(const WalkPosition&, bool) {
        tempos.beginRun();
        meters.beginRun();
        return true;
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        if (const uint8_t* tempo = metaData(reader, MetaSetTempo, SetTempoLength))
            tempos.changes.push_back({at.tick, static_cast<int32_t>(bigEndianValue(tempo, SetTempoLength))});
        const uint8_t* meter = metaData(reader, MetaTimeSignature, MeterDataBytes);
        if (meter != nullptr && meter[0] > 0 && meter[1] <= MaxBeatPower)
            meters.changes.push_back({at.tick, meter[0], meter[1]});
        return true;
    }
};
}  // namespace

FileTiming readFileTiming(const uint8_t* bytes, size_t size) {
    BytesPass pass(bytes, size);
    TimingWalk walk;
    walkFile(pass.pass(), walk);
    FileTiming timing;
    timing.division = static_cast<uint16_t>(pass.pass().header.division);
    timing.tempos = walk.tempos.inPlayingOrder();
    timing.meters = walk.meters.inPlayingOrder();
    return timing;
}
