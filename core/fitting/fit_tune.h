#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One event of a tune the fit changes: where it plays and its bytes, status
// first, in the tune's store.
struct FitEvent {
    int64_t tick = 0;
    int32_t track = 0;
    // Its rank in playing order as read; an event added later takes the rank
    // of the one it stands for, so it keeps that one's place at its tick.
    uint32_t order = 0;
    uint32_t offset = 0;
    int32_t length = 0;
    bool kept = true;
};

// A converted file held as its events in playing order (by tick, at one tick
// the lower track, then the order read), so that the fit can leave events
// out, add them and move them in time, then write the file again. Only a
// file the slimming could rewrite is read: every track ends with its End of
// Track, and nothing in it is read otherwise by a handset.
class FitTune {
public:
    // False, with the tune empty, when the file cannot be rewritten.
    bool read(const uint8_t* file, size_t size);
    // The file again: the chunks between tracks as they were, each track
    // encoded from its kept events under the conversion's running status,
    // its End of Track last and no earlier than its last event. False when
    // a delta time would need more than four bytes.
    bool write(int32_t runningStatusMode, std::vector<uint8_t>& file) const;

    uint8_t* bytesOf(const FitEvent& event) { return store.data() + event.offset; }
    const uint8_t* bytesOf(const FitEvent& event) const { return store.data() + event.offset; }
    // A new event, kept; the order is back once sortPlayingOrder has run.
    void add(int64_t tick, int32_t track, uint32_t order, const uint8_t* bytes, int32_t length);
    // Leaves out the events not kept and puts the rest in playing order again.
    void sortPlayingOrder();

    uint16_t division = 0;  // the header's field, as the fit may raise it
    int32_t trackCount = 0;
    std::vector<FitEvent> events;

private:
    std::vector<uint8_t> header;
    // The bytes before each track chunk that are not a track (other chunks),
    // and those after the last.
    std::vector<std::vector<uint8_t>> between;
    std::vector<uint8_t> store;
};

// A channel message of its whole length (note, controller, program, ...).
bool isWholeChannelEvent(const uint8_t* bytes, int32_t length);
// A note-on of velocity above 0.
bool isNoteStart(const uint8_t* bytes, int32_t length);
// A note-off, or a note-on of velocity 0.
bool isNoteEnd(const uint8_t* bytes, int32_t length);
