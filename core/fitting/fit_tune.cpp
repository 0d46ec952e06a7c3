#include "fitting/fit_tune.h"

#include <algorithm>

#include "playing/playing_walk.h"
#include "slim/slimming.h"
#include "slim/track_encoder.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"

namespace {
bool isEndOfTrack(const uint8_t* bytes, int32_t length) {
    return length >= 2 && bytes[0] == StatusMeta && bytes[1] == MetaEndOfTrack;
}

// Takes every event in playing order; a track's events after its End of
// Track make the tune unreadable, as no handset would play them.
struct TuneReader {
    FitTune& tune;
    std::vector<bool>& ended;
    bool afterEnd = false;

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        const auto index = static_cast<size_t>(track);
        if (ended[index]) {
            afterEnd = true;
            return false;
        }
        ended[index] = isEndOfTrack(event.bytes, event.length);
        tune.add(tick, track, static_cast<uint32_t>(tune.events.size()), event.bytes, event.length);
        return true;
    }
};
}  // namespace

bool isWholeChannelEvent(const uint8_t* bytes, int32_t length) {
    return length >= 1 && isChannelStatus(bytes[0]) && length >= (hasTwoDataBytes(bytes[0]) ? 3 : 2);
}

bool isNoteStart(const uint8_t* bytes, int32_t length) {
    return length >= 3 && statusType(bytes[0]) == StatusNoteOn && bytes[2] != 0;
}

bool isNoteEnd(const uint8_t* bytes, int32_t length) {
    return length >= 3 &&
           (statusType(bytes[0]) == StatusNoteOff || (statusType(bytes[0]) == StatusNoteOn && bytes[2] == 0));
}

bool FitTune::read(const uint8_t* file, size_t size) {
    *this = FitTune();
    if (rewriteObstacle(file, size) != SlimNote::None) return false;
    const std::vector<TrackBody> bodies = trackBodies(file, size);
    header.assign(file, file + SmfHeaderSize);
    size_t copied = SmfHeaderSize;
    for (const TrackBody& body : bodies) {
        const auto bodyStart = static_cast<size_t>(body.bytes - file);
        between.emplace_back(file + copied, file + bodyStart - ChunkHeaderSize);
        copied = bodyStart + static_cast<size_t>(body.length);
    }
    between.emplace_back(file + copied, file + size);
    trackCount = static_cast<int32_t>(bodies.size());
    division = static_cast<uint16_t>(bigEndian16(file + DivisionOffset));
    std::vector<bool> ended(bodies.size(), false);
    TuneReader reader{*this, ended};
    walkInPlayingOrder(file, size, reader);
    if (reader.afterEnd || std::find(ended.begin(), ended.end(), false) != ended.end()) {
        *this = FitTune();
        return false;
    }
    return true;
}

void FitTune::add(int64_t tick, int32_t track, uint32_t order, const uint8_t* bytes, int32_t length) {
    events.push_back({tick, track, order, static_cast<uint32_t>(store.size()), length, true});
    store.insert(store.end(), bytes, bytes + length);
}

void FitTune::sortPlayingOrder() {
    events.erase(std::remove_if(events.begin(), events.end(), [](const FitEvent& e) { return !e.kept; }),
                 events.end());
    // Every event has a place of its own in the store, which settles the
    // order of those added in one place: a sort needs no second copy. Most
    // rules only leave events out, which keeps the order.
    const auto plays = [](const FitEvent& a, const FitEvent& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        if (a.track != b.track) return a.track < b.track;
        if (a.order != b.order) return a.order < b.order;
        return a.offset < b.offset;
    };
    if (!std::is_sorted(events.begin(), events.end(), plays)) std::sort(events.begin(), events.end(), plays);
}

bool FitTune::write(int32_t runningStatusMode, std::vector<uint8_t>& file) const {
    std::vector<std::vector<const FitEvent*>> tracks(static_cast<size_t>(trackCount));
    std::vector<const FitEvent*> ends(static_cast<size_t>(trackCount), nullptr);
    std::vector<size_t> trackBytes(static_cast<size_t>(trackCount), 0);
    for (const FitEvent& event : events) {
        if (!event.kept) continue;
        const auto track = static_cast<size_t>(event.track);
        if (isEndOfTrack(bytesOf(event), event.length))
            ends[track] = &event;
        else
            tracks[track].push_back(&event);
        trackBytes[track] += static_cast<size_t>(event.length);
    }
    std::vector<uint8_t> written(header);
    putBigEndian16(written.data() + DivisionOffset, division);
    for (size_t track = 0; track < tracks.size(); ++track) {
        written.insert(written.end(), between[track].begin(), between[track].end());
        TrackEncoder encoder(false, trackBytes[track], tracks[track].size() + 1, runningStatusMode);
        int64_t last = 0;
        for (const FitEvent* event : tracks[track]) {
            if (!encoder.add(event->tick, bytesOf(*event), event->length)) return false;
            last = event->tick;
        }
        if (ends[track] != nullptr) {
            const FitEvent& end = *ends[track];
            if (!encoder.add(std::max(last, end.tick), bytesOf(end), end.length)) return false;
        }
        encoder.moveTo(written);
    }
    written.insert(written.end(), between.back().begin(), between.back().end());
    file.swap(written);
    return true;
}
