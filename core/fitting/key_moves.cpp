#include "fitting/key_moves.h"

#include <algorithm>
#include <array>
#include <vector>

#include "smf/midi_format.h"

namespace {
constexpr const char* KeysMoved = "-> Fit [%s]: ch%d: %d notes moved by octaves into %d-%d, %d left out";
constexpr int Octave = 12;
constexpr int LeftOut = -1;
constexpr int32_t KeyByte = 1;

int keyOf(const uint8_t* bytes) {
    return bytes[KeyByte] & 0x7F;
}

bool isInside(const KeyRange& range, int key) {
    return key >= range.lowest && key <= range.highest;
}

// A note sounding by its key as read: the key it plays on, or LeftOut, and
// how many note-offs that key had heard when it started, so that a note an
// earlier note-off of its key ended is known to be silent.
struct Landing {
    int key;
    int64_t endsHeard;
};

struct ChannelKeys {
    std::array<std::vector<Landing>, KeyCount> byKeyRead;
    // Per key played: the notes sounding there, and the note-offs heard.
    std::array<int32_t, KeyCount> sounding{};
    std::array<int64_t, KeyCount> endsHeard{};
    int32_t moved = 0;
    int32_t leftOut = 0;

    bool soundsOn(int key) const { return sounding[static_cast<size_t>(key)] > 0; }
    bool stillSounds(const Landing& note) const {
        return note.key != LeftOut && endsHeard[static_cast<size_t>(note.key)] == note.endsHeard;
    }
    void start(int keyRead, int keyPlayed) {
        int64_t heard = 0;
        if (keyPlayed != LeftOut) {
            ++sounding[static_cast<size_t>(keyPlayed)];
            heard = endsHeard[static_cast<size_t>(keyPlayed)];
        }
        byKeyRead[static_cast<size_t>(keyRead)].push_back({keyPlayed, heard});
    }
    void end(int keyPlayed) {
        sounding[static_cast<size_t>(keyPlayed)] = 0;
        ++endsHeard[static_cast<size_t>(keyPlayed)];
    }
};

struct AddedEvent {
    int64_t tick;
    int32_t track;
    uint32_t order;
    std::array<uint8_t, 3> bytes;
};

class KeyMover {
public:
    KeyMover(FitTune& tuneToFit, const KeyRange& keyRange) : tune(tuneToFit), range(keyRange) {}

    void take(FitEvent& event) {
        uint8_t* bytes = tune.bytesOf(event);
        ChannelKeys& keys = channels[static_cast<size_t>(statusChannel(bytes[0]))];
        if (isNoteStart(bytes, event.length))
            start(keys, event, bytes);
        else if (isNoteEnd(bytes, event.length))
            end(keys, event, bytes);
        else if (statusType(bytes[0]) == StatusPolyPressure)
            followNote(keys, event, bytes);
    }

    void addNoteOffs() {
        for (const AddedEvent& added : addedEvents)
            tune.add(added.tick, added.track, added.order, added.bytes.data(),
                     static_cast<int32_t>(added.bytes.size()));
    }

    const ChannelKeys& channel(int c) const { return channels[static_cast<size_t>(c)]; }

private:
    FitTune& tune;
    KeyRange range;
    std::array<ChannelKeys, ChannelCount> channels;
    std::vector<AddedEvent> addedEvents;

    // The nearest key inside by whole octaves; the key itself when none is.
    int nearestInside(int key) const {
        if (key < range.lowest) {
            const int up = key + (range.lowest - key + Octave - 1) / Octave * Octave;
            return up <= range.highest ? up : key;
        }
        const int down = key - (key - range.highest + Octave - 1) / Octave * Octave;
        return down >= range.lowest ? down : key;
    }

    int landingOf(const ChannelKeys& keys, int key) const {
        if (isInside(range, key)) return key;
        const int nearest = nearestInside(key);
        if (nearest == key || !keys.soundsOn(nearest)) return nearest;
        const int further = nearest + (key < range.lowest ? Octave : -Octave);
        return isInside(range, further) && !keys.soundsOn(further) ? further : LeftOut;
    }

    void start(ChannelKeys& keys, FitEvent& event, uint8_t* bytes) {
        const int key = keyOf(bytes);
        const int landing = landingOf(keys, key);
        keys.start(key, landing);
        if (landing == key) return;
        if (landing == LeftOut) {
            event.kept = false;
            ++keys.leftOut;
            return;
        }
        bytes[KeyByte] = static_cast<uint8_t>(landing);
        ++keys.moved;
    }

    // Ends every note of the key read on each key they still sound on.
    void end(ChannelKeys& keys, FitEvent& event, uint8_t* bytes) {
        const int key = keyOf(bytes);
        std::vector<Landing>& notes = keys.byKeyRead[static_cast<size_t>(key)];
        if (isInside(range, key) || notes.empty()) {
            if (isInside(range, key)) keys.end(key);
            notes.clear();
            return;
        }
        std::vector<int> played;
        for (const Landing& note : notes)
            if (keys.stillSounds(note) && std::find(played.begin(), played.end(), note.key) == played.end())
                played.push_back(note.key);
        notes.clear();
        event.kept = !played.empty();
        for (size_t i = 0; i < played.size(); ++i) {
            keys.end(played[i]);
            if (i == 0)
                bytes[KeyByte] = static_cast<uint8_t>(played[i]);
            else
                addedEvents.push_back({event.tick,
                                       event.track,
                                       event.order,
                                       {bytes[0], static_cast<uint8_t>(played[i]), bytes[2]}});
        }
    }

    void followNote(ChannelKeys& keys, FitEvent& event, uint8_t* bytes) {
        const std::vector<Landing>& notes = keys.byKeyRead[static_cast<size_t>(keyOf(bytes))];
        if (notes.empty()) return;
        if (notes.back().key == LeftOut)
            event.kept = false;
        else
            bytes[KeyByte] = static_cast<uint8_t>(notes.back().key);
    }
};
}  // namespace

void moveKeysIntoRange(FitTune& tune, const HandsetProfile& profile, FitChanges& changes) {
    if (!profile.keyRange) return;
    KeyMover mover(tune, *profile.keyRange);
    for (FitEvent& event : tune.events) {
        const uint8_t* bytes = tune.bytesOf(event);
        if (event.kept && isWholeChannelEvent(bytes, event.length) &&
            !profile.isDrumChannel(statusChannel(bytes[0])))
            mover.take(event);
    }
    mover.addNoteOffs();
    tune.sortPlayingOrder();
    for (int c = 0; c < ChannelCount; ++c) {
        const ChannelKeys& keys = mover.channel(c);
        if (keys.moved + keys.leftOut > 0)
            changes.add(KeysMoved,
                        {c, keys.moved, profile.keyRange->lowest, profile.keyRange->highest, keys.leftOut});
    }
}
