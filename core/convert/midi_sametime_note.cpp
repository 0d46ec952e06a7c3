#include "convert/midi_sametime_note.h"

#include <cstring>

#include "smf/midi_format.h"
#include "smf/midi_track.h"

namespace {
// Only note messages enter a group: one that starts no note ends one.
bool isRelease(const uint8_t* message) {
    return !startsNote(message);
}
}  // namespace

// Slots from noteCount on are never set, so only the used ones are cleared:
// the conversion empties a group at almost every step of time.
void MIDISametimeNote::reset() {
    groupDelta = 0;
    for (int slot = 0; slot < noteCount && slot < MaxSametimeNotes; ++slot) pending[slot] = 0;
    noteCount = 0;
}

void MIDISametimeNote::store(int32_t delta, const uint8_t* message) {
    std::memcpy(notes[noteCount], message, NoteMessageSize);
    pending[noteCount] = 1;
    if (delta >= groupDelta) groupDelta = delta;
    ++noteCount;
}

bool MIDISametimeNote::appendSlot(MIDITrack& builder, int slot, int32_t& delta) {
    pending[slot] = 0;
    const bool appended = builder.append(delta, notes[slot], NoteMessageSize) != 0;
    delta = 0;
    return appended;
}

bool MIDISametimeNote::writeAll(MIDITrack& builder) {
    int32_t delta = groupDelta;
    bool appended = true;
    for (int slot = 0; slot < noteCount && appended; ++slot)
        if (pending[slot] && isRelease(notes[slot])) appended = appendSlot(builder, slot, delta);
    for (int slot = 0; slot < noteCount && appended; ++slot)
        if (pending[slot]) appended = appendSlot(builder, slot, delta);
    reset();
    return appended;
}

int32_t MIDISametimeNote::takeDelta() {
    const int32_t taken = groupDelta;
    groupDelta = 0;
    return taken;
}
