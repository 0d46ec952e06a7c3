#pragma once
#include <cstdint>

// Where an event stands in a file: its tick, its 0-based track, and its rank
// in the walk, which orders the events of one tick and track.
struct EventPlace {
    int64_t tick = 0;
    int32_t track = 0;
    int64_t rank = 0;

    // Earlier tick first; at one tick the lower track, then the earlier event.
    bool before(const EventPlace& other) const {
        if (tick != other.tick) return tick < other.tick;
        if (track != other.track) return track < other.track;
        return rank < other.rank;
    }
};

// How many events of a kind a file holds, and the first of them.
struct Tally {
    int64_t count = 0;
    EventPlace first;

    void add(const EventPlace& place) {
        if (count == 0 || place.before(first)) first = place;
        ++count;
    }

    void add(const Tally& other) {
        if (other.count == 0) return;
        if (count == 0 || other.first.before(first)) first = other.first;
        count += other.count;
    }
};
