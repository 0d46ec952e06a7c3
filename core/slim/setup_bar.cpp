#include "slim/setup_bar.h"

#include <vector>

#include "playing/handset_reading.h"
#include "playing/midi_kinds.h"
#include "playing/playing_walk.h"
#include "slim/slim_rules.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// What the synthesizer has read of the three, in playing order; the events
// after a track's End of Track are never read.
class SetupBar {
public:
    explicit SetupBar(size_t trackCount) : ended(trackCount, false) {}

    // A SysEx event with a status byte inside may start a note too; any
    // universal message or packet may be or complete a GM system on. False
    // once the bar is complete, which ends the walk.
    bool onEvent(int32_t track, int64_t, const TrackEvent& event) {
        if (ended[static_cast<size_t>(track)]) return true;
        const uint8_t* bytes = event.bytes;
        if (event.kind == EVENT_CHANNEL && event.length == 3) noteStarted = noteStarted || startsNote(bytes);
        if (event.kind == EVENT_SYSEX) noteStarted = noteStarted || !carriesDataOnly(bytes, event.length);
        const int32_t metaType = metaTypeOf(bytes, event.length);
        tempo = tempo || metaType == MetaSetTempo;
        timeSignature = timeSignature || metaType == MetaTimeSignature;
        const bool packet = event.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation;
        gmSystemOn = gmSystemOn || packet || isUniversal(sysExKind(bytes, event.length));
        if (endsTrackOnAHandset(bytes, event.length)) ended[static_cast<size_t>(track)] = true;
        return !complete();
    }

    bool complete() const { return tempo && timeSignature && gmSystemOn; }
    bool noteStarted = false;

private:
    std::vector<bool> ended;
    bool tempo = false;
    bool timeSignature = false;
    bool gmSystemOn = false;
};
}  // namespace

// The clock's start is not followed: wherever the bar completes, a note before it counts.
bool noteStartsBeforeTheSetupBar(const uint8_t* file, size_t size) {
    SetupBar bar(trackBodies(file, size).size());
    walkInPlayingOrder(file, size, bar);
    return bar.complete() && bar.noteStarted;
}
