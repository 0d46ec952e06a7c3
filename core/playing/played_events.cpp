#include "playing/played_events.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/handset_reading.h"
#include "playing/time_line.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// Keeps every event of every loaded track, marking what a handset plays.
class EventCollector : public TrackVisitor {
public:
    explicit EventCollector(PlayedEvents& into) : played(into) {}

    // A chunk that could not be loaded is no track of the file.
    bool beginTrack(const WalkPosition&, bool loaded) {
        if (!loaded) return true;
        track = static_cast<int32_t>(played.trackStart.size());
        played.trackStart.push_back(played.events.size());
        ended = false;
        handset.beginTrack();
        return true;
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        const bool endOfTrack = endsTrackOnAHandset(reader.event, reader.eventLength);
        const TimedEvent event = {at.tick,
                                  track,
                                  reader.kind,
                                  played.bytes.size(),
                                  reader.eventLength,
                                  /*played*/ !ended,
                                  endOfTrack && !ended};
        played.bytes.insert(played.bytes.end(), reader.event, reader.event + reader.eventLength);
        played.events.push_back(event);
        if (!ended) readAsAHandset(reader);
        if (event.endOfTrack) played.lastEndTick = std::max(played.lastEndTick, at.tick);
        ended = ended || endOfTrack;
        return true;
    }

private:
    PlayedEvents& played;
    int32_t track = 0;
    bool ended = false;
    HandsetReading handset;

    void readAsAHandset(const MTrk& reader) {
        handset.read(reader);
        played.readOtherwise |= !handset.readsAlike();
        played.systemMessageOfOtherLength |=
            reader.kind == EVENT_CHANNEL && readsAtAnotherLength(reader.event[0]);
    }
};
}  // namespace

bool PlayedEvents::read(const uint8_t* file, size_t size) {
    *this = PlayedEvents();
    if (size < static_cast<size_t>(SmfHeaderSize) || std::memcmp(file, "MThd", 4) != 0) return false;
    if (bigEndian32(file + 4) != SmfHeaderSize - ChunkHeaderSize) return false;
    std::memcpy(header, file, SmfHeaderSize);
    format = static_cast<int32_t>(bigEndian16(file + FormatOffset));
    announcedTracks = static_cast<int32_t>(bigEndian16(file + TrackCountOffset));
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
