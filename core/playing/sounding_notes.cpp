#include "playing/sounding_notes.h"

int SoundingNotes::apply(const NoteEvent& note) {
    bool& key = sounding[note.channel][note.key];
    if (key == note.on) return 0;
    key = note.on;
    return note.on ? 1 : -1;
}
