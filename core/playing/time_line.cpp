#include "playing/time_line.h"

#include "smf/midi_format.h"

bool NoteCollector::beginTrack(const WalkPosition&, bool loaded) {
    if (loaded) tracks.emplace_back();
    return true;
}

bool NoteCollector::onEvent(const MTrk& reader, const WalkPosition& at) {
    if (!reader.isNote || reader.eventLength < 3) return true;
    const uint8_t* m = reader.event;
    const bool on = startsNote(m);
    const int channel = statusChannel(m[0]);
    if (on) hasNote[channel] = true;
    tracks.back().push_back({at.tick, at.track, channel, m[1] & 0x7F, on});
    return true;
}
