#pragma once
#include <cstdint>

#include "base/result.h"
#include "smf/midi_format.h"

class MIDITrack;

constexpr int MaxSametimeNotes = 64;
// What flush returns when the builder refused one of the messages.
constexpr int32_t SametimeFlushFailed = -1;
// The conversion's message for an output track that is full, which the
// group meets when it writes.
inline constexpr const char* TrackFullMessage = "Alloc error";

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
    // Takes one note message. A refusal (not a 3-byte note message, or the
    // group is full) changes nothing. Inline, as flushTo: the conversion
    // calls both for nearly every note.
    Result take(int32_t delta, const uint8_t* message, int32_t n) {
        if (n != NoteMessageSize || !isNoteStatus(message[0])) return Result::failure(NotANoteMessage);
        if (isFull()) return Result::failure(GroupFullMessage);
        store(delta, message);
        return Result::success();
    }
    // Appends the held messages to builder and empties the group; written is
    // the group's delta time (0 when it was empty). The failure is the
    // builder's: it was full ("Alloc error").
    Result flushTo(MIDITrack& builder, int32_t& written) {
        written = isEmpty() ? 0 : groupDelta;
        return isEmpty() || writeAll(builder) ? Result::success() : Result::failure(TrackFullMessage);
    }

    // take as a count: the new noteCount, or 0 for a refusal.
    int add(int32_t delta, const uint8_t* message, int32_t n) {
        return take(delta, message, n).ok() ? noteCount : 0;
    }
    // flushTo as a time: the group's delta time, or SametimeFlushFailed.
    int32_t flush(MIDITrack& builder) {
        int32_t written = 0;
        return flushTo(builder, written).ok() ? written : SametimeFlushFailed;
    }
    // Hands the group's delta time to an event written ahead of its messages,
    // which then follow that event at delta 0.
    int32_t takeDelta();

    bool isEmpty() const { return noteCount == 0; }
    bool isFull() const { return noteCount >= MaxSametimeNotes; }

private:
    static constexpr int32_t NoteMessageSize = 3;
    static constexpr const char* NotANoteMessage = "not a note message";
    static constexpr const char* GroupFullMessage = "the group is full";

    void store(int32_t delta, const uint8_t* message);
    // The pending messages, releases first; false when the builder refused one.
    bool writeAll(MIDITrack& builder);
    bool appendSlot(MIDITrack& builder, int slot, int32_t& delta);
};
