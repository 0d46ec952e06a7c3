#include "playing/time_line.h"

#include "playing/playing_walk.h"
#include "smf/midi_format.h"

bool noteOf(const TrackEvent& event, int32_t track, int64_t tick, NoteEvent& note) {
    if (!event.isWholeNote()) return false;
    const uint8_t* m = event.bytes;
    note = {tick, track, statusChannel(m[0]), m[1] & 0x7F, startsNote(m)};
    return true;
}
