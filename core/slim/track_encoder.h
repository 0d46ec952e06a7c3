#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/midi_track.h"

// Writes one track chunk from events at absolute ticks: each delta time is
// the distance from the event before, and the status byte is left out
// wherever the track builder's running status allows.
class TrackEncoder {
public:
    // noteOffAsNoteOn: every note-off is written as a note-on of velocity 0,
    // which keeps running status across a note's start and end.
    // runningStatusMode: the track builder's (the conversion writes 2 above level 1).
    TrackEncoder(bool noteOffAsNoteOn, size_t eventBytes, size_t eventCount, int32_t runningStatusMode = 1);

    // False when the chunk cannot hold the event or its distance from the
    // event before needs more than four bytes.
    bool add(int64_t tick, const uint8_t* event, int32_t length);
    // The chunk's bytes, its header among them.
    size_t chunkSize() const { return static_cast<size_t>(builder.length); }
    // Appends the chunk to file and frees the encoder's own copy, so that a
    // file is held once while it is put together.
    void moveTo(std::vector<uint8_t>& file);

private:
    MIDITrack builder;
    bool rewriteNoteOff;
    bool usable;
    std::vector<uint8_t> scratch;
    int64_t lastTick = 0;
};
