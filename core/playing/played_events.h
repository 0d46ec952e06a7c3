#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/midi_format.h"

// One event of a converted file, where the handset plays it.
struct TimedEvent {
    int64_t tick;   // from the start of its track
    int32_t track;  // 0-based
    int32_t kind;   // EventKind
    size_t offset;  // of its bytes in PlayedEvents::bytes, status first
    int32_t length;
    // Up to and including the track's End of Track, of whatever length: a
    // handset stops reading a track there, so the events after it are never
    // heard.
    bool played;
    bool endOfTrack;
};

// Every event of a Standard MIDI File held in memory, read once, and the
// order in which a handset's sequencer plays them: by tick, then by track,
// then as the track holds them.
class PlayedEvents {
public:
    // False when the bytes are no Standard MIDI File with a header of its own
    // length (a handset would look for the tracks elsewhere).
    bool read(const uint8_t* file, size_t size);

    uint8_t header[SmfHeaderSize] = {};
    int32_t format = 0;
    std::vector<TimedEvent> events;  // track by track, each in its own order
    std::vector<size_t> trackStart;  // the first event of each track, then events.size()
    std::vector<uint8_t> bytes;

    // A played event that a handset reads otherwise than the reader (see
    // HandsetReading), such as a channel message with a data byte of 80 or
    // more, which a handset takes as the status of another message.
    bool readOtherwise = false;
    // A played system message that a handset reads at another length.
    bool systemMessageOfOtherLength = false;
    // Tracks the header announces; a handset finds each of them or refuses the file.
    int32_t announcedTracks = 0;
    // The latest End of Track of the file.
    int64_t lastEndTick = 0;

    int32_t trackCount() const { return static_cast<int32_t>(trackStart.size()) - 1; }
    // A track's events: the index of its first, and of the one after its last.
    size_t firstOf(int32_t track) const { return trackStart[static_cast<size_t>(track)]; }
    size_t endOf(int32_t track) const { return trackStart[static_cast<size_t>(track) + 1]; }
    // Every track ends with an End of Track: otherwise a handset reads on
    // into whatever follows the track.
    bool everyTrackEnds() const;
    // The played events in playing order (indices into events).
    std::vector<size_t> playingOrder() const;
    const uint8_t* bytesOf(const TimedEvent& event) const { return bytes.data() + event.offset; }
    uint8_t* bytesOf(const TimedEvent& event) { return bytes.data() + event.offset; }
};
