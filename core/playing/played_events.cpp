#include "playing/played_events.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/time_line.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
bool hasStatusInData(const MTrk& reader) {
    return std::any_of(reader.event + 1, reader.event + reader.eventLength, isStatusByte<uint8_t>);
}

// Keeps every event of every loaded track, marking what a handset plays.
class EventCollector : public TrackVisitor {
public:
    explicit EventCollector(PlayedEvents& into) : line(into) {}

    // A chunk that could not be loaded is no track of the file.
    bool beginTrack(const WalkPosition&, bool loaded) {
        if (!loaded) return true;
        track = static_cast<int32_t>(line.trackStart.size());
        line.trackStart.push_back(line.events.size());
        ended = false;
        return true;
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        const bool endOfTrack = reader.matches(PATTERN_END_OF_TRACK, 3) != 0;
        const TimedEvent event = {at.tick,
                                  track,
                                  reader.kind,
                                  line.bytes.size(),
                                  reader.eventLength,
                                  /*played*/ !ended,
                                  endOfTrack && !ended};
        line.bytes.insert(line.bytes.end(), reader.event, reader.event + reader.eventLength);
        line.events.push_back(event);
        if (!ended && reader.kind == EVENT_CHANNEL) line.statusInChannelData |= hasStatusInData(reader);
        if (event.endOfTrack) line.lastEndTick = std::max(line.lastEndTick, at.tick);
        ended = ended || endOfTrack;
        return true;
    }

private:
    PlayedEvents& line;
    int32_t track = 0;
    bool ended = false;
};
}  // namespace

bool PlayedEvents::read(const uint8_t* file, size_t size) {
    *this = PlayedEvents();
    if (size < static_cast<size_t>(SmfHeaderSize) || std::memcmp(file, "MThd", 4) != 0) return false;
    if (bigEndian32(file + 4) != SmfHeaderSize - ChunkHeaderSize) return false;
    std::memcpy(header, file, SmfHeaderSize);
    format = static_cast<int32_t>(bigEndian16(file + FormatOffset));
    BytesPass pass(file, size);
    EventCollector collector(*this);
    walkFile(pass.pass(), collector);
    trackStart.push_back(events.size());
    return true;
}

bool PlayedEvents::everyTrackEnds() const {
    for (int32_t track = 0; track < trackCount(); ++track) {
        const auto first = events.begin() + static_cast<std::ptrdiff_t>(firstOf(track));
        const auto last = events.begin() + static_cast<std::ptrdiff_t>(endOf(track));
        if (std::none_of(first, last, [](const TimedEvent& e) { return e.endOfTrack; })) return false;
    }
    return true;
}

std::vector<size_t> PlayedEvents::playingOrder() const {
    std::vector<size_t> order;
    order.reserve(events.size());
    std::vector<size_t> runs;  // where each track's played events begin in order
    for (int32_t track = 0; track < trackCount(); ++track) {
        runs.push_back(order.size());
        for (size_t i = firstOf(track); i < endOf(track) && events[i].played; ++i) order.push_back(i);
    }
    runs.push_back(order.size());
    mergeRuns(order, std::move(runs), [this](size_t event) { return events[event].tick; });
    return order;
}
