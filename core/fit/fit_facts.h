#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fit/handset_profile.h"
#include "fit/tally.h"
#include "playing/file_timing.h"
#include "playing/finding_place.h"
#include "playing/mip_message.h"
#include "playing/voice_model.h"
#include "smf/midi_format.h"

// The most notes that sounded at once, where that count was first reached,
// and the lowest track with a note-on there.
struct PeakNotes {
    int32_t count = 0;
    int64_t tick = 0;
    int32_t track = 0;
};

// The notes shorter than a length in whole milliseconds, by the tempo map,
// are those of every key up to it: a note goes under the fewest whole
// milliseconds it is shorter than.
using NotesShorterThan = std::map<int32_t, Tally>;

// The longest min-note-ms a profile gives.
constexpr int32_t LongestMinNoteMs = 65535;

// What the handset check reads in a Standard MIDI File held in memory, in
// one walk of its tracks in playing order; nothing is kept per note. Nothing
// here depends on a profile, so several profiles share one measure. The
// bytes (and the source's) must outlive the facts: the count of notes at
// once, the voices and the places of findings read them again.
class FitFacts {
public:
    FitFacts(const uint8_t* bytes, size_t size);
    // source: the file the bytes were converted from, whose bars and beats
    // the findings name. handsetVoices: the voices of handsets that may mute
    // by the MIP message, whose voices the one walk counts too.
    // knownVoices: the peaks of voices of the file as another play of it
    // found them, per handset voice count (NoMipMuting among them); with all
    // of them known, the walk leaves the voices out.
    FitFacts(const uint8_t* bytes, size_t size, const uint8_t* source, size_t sourceSize,
             const std::vector<int32_t>& handsetVoices = {},
             const std::map<int32_t, VoiceCount>* knownVoices = nullptr);

    const uint8_t* bytes = nullptr;
    size_t size = 0;
    int32_t format = 0;
    int32_t division = 0;
    // Tracks the header announces.
    int32_t tracks = 0;

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

    // Every note that ends, under the whole milliseconds it is shorter than
    // (up to LongestMinNoteMs; none for division 0).
    NotesShorterThan shortNotes;

    // Whether -0 would merge the tracks into one; asked of the slimming only
    // when a finding needs it, unset when no one can say.
    std::function<bool()> formatZeroMerges;

    // Bit c of counted set: channel c's notes count. Every channel, and the
    // channels of each MIP value of a message before the first note, come
    // from the one walk; other sets walk the tracks again.
    PeakNotes peakNotes(uint16_t counted) const;
    void keepPeak(uint16_t counted, const PeakNotes& peak) const;
    // The most voices the handset synthesizer spends at once, on a handset
    // of mipVoices voices that mutes channels by the MIP message, or of any
    // voices with NoMipMuting.
    VoiceCount peakVoices(int32_t mipVoices) const;
    // The place of an event, as a finding line names it after "at".
    std::string placeOf(const EventPlace& place) const;

private:
    const uint8_t* source = nullptr;
    size_t sourceSize = 0;
    mutable std::map<uint16_t, PeakNotes> peaks;
    // Per handset voice count (or NoMipMuting): from the one walk, or from a
    // play of its own when the walk could not tell.
    mutable std::map<int32_t, VoiceCount> voicePeaks;
    FileTiming writtenTiming;
    // Built when the first finding names a place.
    mutable std::unique_ptr<FindingPlace> places;
};
