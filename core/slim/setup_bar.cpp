#include "slim/setup_bar.h"

#include "playing/midi_kinds.h"
#include "playing/played_events.h"
#include "slim/slim_rules.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// What the synthesizer has read of the three, in playing order.
struct SetupBar {
    bool tempo = false;
    bool timeSignature = false;
    bool gmSystemOn = false;
    bool complete() const { return tempo && timeSignature && gmSystemOn; }
};

// A SysEx event with a status byte inside may start a note too; any
// universal message or packet may be or complete a GM system on.
void take(const TimedEvent& event, const uint8_t* bytes, SetupBar& bar, bool& noteStarted) {
    if (event.kind == EVENT_CHANNEL && event.length == 3) noteStarted = noteStarted || startsNote(bytes);
    if (event.kind == EVENT_SYSEX) noteStarted = noteStarted || !carriesDataOnly(bytes, event.length);
    const int32_t metaType = metaTypeOf(bytes, event.length);
    bar.tempo = bar.tempo || metaType == MetaSetTempo;
    bar.timeSignature = bar.timeSignature || metaType == MetaTimeSignature;
    const bool packet = event.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation;
    bar.gmSystemOn = bar.gmSystemOn || packet || isUniversal(sysExKind(bytes, event.length));
}
}  // namespace

// The clock's start is not followed: wherever the bar completes, a note before it counts.
bool noteStartsBeforeTheSetupBar(const PlayedEvents& played) {
    SetupBar bar;
    bool noteStarted = false;
    for (size_t index : played.playingOrder()) {
        const TimedEvent& event = played.events[index];
        take(event, played.bytesOf(event), bar, noteStarted);
        if (bar.complete()) return noteStarted;
    }
    return false;
}
