#pragma once
#include <cstdint>

class MIDITrack;

constexpr int MaxSametimeNotes = 64;
// What flush returns when the builder refused one of the messages.
constexpr int32_t SametimeFlushFailed = -1;

// Collects the note messages of one instant of a track and writes them as one
// block, releases before starts: the handset then never sees a key start and
// stop in the wrong order at the same tick. Only the block's first message
// carries its delta time.
class MIDISametimeNote {
public:
    int32_t groupDelta = 0;
    uint8_t notes[MaxSametimeNotes][4] = {};
    int32_t noteCount = 0;
    int32_t pending[MaxSametimeNotes] = {};

    MIDISametimeNote() { reset(); }

    void reset();
    // The new noteCount, or 0 when the message is refused (not a 3-byte note
    // message, or the group is full); a refusal changes nothing.
    int add(int32_t delta, const uint8_t* message, int32_t n);
    // Appends the held messages to builder and empties the group. Returns the
    // group's delta time (0 when it was empty), or SametimeFlushFailed.
    int32_t flush(MIDITrack& builder);
    // Hands the group's delta time to an event written ahead of its messages,
    // which then follow that event at delta 0.
    int32_t takeDelta();

    bool isEmpty() const { return noteCount == 0; }
    bool isFull() const { return noteCount >= MaxSametimeNotes; }

private:
    bool appendSlot(MIDITrack& builder, int slot, int32_t& delta);
};
