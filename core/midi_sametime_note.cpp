#include "midi_sametime_note.h"

#include <algorithm>
#include <cstring>

#include "midi_track.h"

namespace {
constexpr int32_t NoteMessageSize = 3;

bool isNoteMessage(const uint8_t* message) {
    return (message[0] & 0xE0) == 0x80;
}

// Bitwise, not short-circuit: the notes of a file come in no order a branch
// could learn.
int32_t isRelease(const uint8_t* message) {
    const int type = message[0] & 0xF0;
    return static_cast<int32_t>((type == 0x80) | ((type == 0x90) & (message[2] == 0)));
}
}  // namespace

void MIDISametimeNote::reset() {
    groupDelta = 0;
    noteCount = releaseCount = startCount = 0;
}

int MIDISametimeNote::add(int32_t delta, const uint8_t* message, int32_t n) {
    if (isFull() || n != NoteMessageSize || !isNoteMessage(message)) return 0;
    const int32_t release = isRelease(message);
    std::memcpy(releases[releaseCount], message, NoteMessageSize);
    std::memcpy(starts[startCount], message, NoteMessageSize);
    releaseCount += release;
    startCount += 1 - release;
    groupDelta = std::max(groupDelta, delta);
    return ++noteCount;
}

// Only the first message written carries the group's delta time.
bool MIDISametimeNote::appendAll(MIDITrack& builder, uint8_t (*messages)[4], int32_t count, int32_t& delta) {
    for (int32_t i = 0; i < count; ++i) {
        if (!builder.append(delta, messages[i], NoteMessageSize)) return false;
        delta = 0;
    }
    return true;
}

int32_t MIDISametimeNote::flush(MIDITrack& builder) {
    if (isEmpty()) return 0;
    const int32_t written = groupDelta;
    int32_t delta = groupDelta;
    const bool appended =
        appendAll(builder, releases, releaseCount, delta) && appendAll(builder, starts, startCount, delta);
    reset();
    return appended ? written : SametimeFlushFailed;
}

int32_t MIDISametimeNote::takeDelta() {
    const int32_t taken = groupDelta;
    groupDelta = 0;
    return taken;
}
