#pragma once
#include "playing/time_line.h"
#include "smf/midi_format.h"

// Which keys sound on each channel of one time line. A note-on of a key that
// already sounds is no second note, and a release of a silent key changes
// nothing: the rule of every count of notes at once.
class SoundingNotes {
public:
    // The change in the channel's count of sounding notes: +1, -1 or 0.
    int apply(const NoteEvent& note);

private:
    bool sounding[ChannelCount][KeyCount] = {};
};
