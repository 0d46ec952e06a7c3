#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fit/handset_profile.h"
#include "fit/tally.h"
#include "playing/finding_place.h"
#include "playing/mip_message.h"
#include "playing/time_line.h"
#include "playing/voice_model.h"
#include "smf/midi_format.h"

// The most notes that sounded at once, where that count was first reached,
// and the lowest track with a note-on there.
struct PeakNotes {
    int32_t count = 0;
    int64_t tick = 0;
    int32_t track = 0;
};

// A note's length as TempoMap::scaledTime measures it, and its note-on.
struct NoteLength {
    int64_t scaled;
    EventPlace start;
};

// What the handset check reads in a Standard MIDI File held in memory, in
// one walk with the reader and the time lines of the MIP measure. Nothing
// here depends on a profile, so several profiles share one measure. The
// voices are counted on the bytes, which outlive the facts.
class FitFacts {
public:
    // A file played as it is: its own source.
    FitFacts(const uint8_t* bytes, size_t size);
    // A file converted from source, whose bars and beats name the places.
    FitFacts(const uint8_t* bytes, size_t size, const uint8_t* source, size_t sourceSize);

    size_t size = 0;
    int32_t format = 0;
    int32_t division = 0;

    // Per kind, the messages of each channel (the first five kinds) or of
    // the whole file (the others, in channels[0]).
    Tally messages[MessageKindCount][ChannelCount];
    // Notes started, per channel and key.
    Tally keys[ChannelCount][KeyCount];
    // Bank select 120 (controller 0), which asks for drums.
    Tally drumBanks[ChannelCount];
    // Set Tempo events whose value differs from the tempo in force.
    Tally tempoChanges;

    // The first MIP message's pairs, in its order.
    bool hasMipMessage = false;
    std::vector<SpMidiEntry> mips;

    // The notes of each time line, and the length of every note that ends
    // (none for division 0).
    std::vector<NoteTrack> noteLines;
    std::vector<NoteLength> noteLengths;

    // Where an event of the file is, for a person.
    FindingPlace places;

    // Bit c of counted set: channel c's notes count.
    PeakNotes peakNotes(uint16_t counted) const;
    // The most voices the handset synthesizer spends at once, on a handset
    // of mipVoices voices that mutes channels by the MIP message, or of any
    // voices with NoMipMuting.
    VoiceCount peakVoices(int32_t mipVoices) const;

private:
    const uint8_t* tune;
};
