#pragma once
// Tunes whose channels each play their own chords, to prove what the handset
// synthesizer mutes: and the same tunes without some channels' notes.
#include <cstdint>
#include <ostream>
#include <set>
#include <vector>

#include "convert/sp_midi.h"
#include "playing/mip_measure.h"
#include "test_support.h"

constexpr int Division = 480;
constexpr int StepTicks = 240;
constexpr int Steps = 8;
constexpr int TuneTicks = Steps * StepTicks;

struct TuneShape {
    uint32_t seed;
    int format;
    std::vector<int> channels;
    int maxChord;
    std::vector<int> priority;
};

void PrintTo(const TuneShape& shape, std::ostream* out);

// A format 0 or 1 tune of the shape, the same for the same shape.
Bytes generateTune(const TuneShape& shape);

// The same file without the notes of the given channels; a left-out note's
// delta time goes to the next event, so every other event keeps its time.
Bytes withoutNotes(const Bytes& file, const std::set<int>& channels);

// The channels whose MIP is above the polyphony: the ones a synthesizer of
// that many voices mutes.
std::set<int> channelsAbove(const std::vector<SpMidiEntry>& entries, int polyphony);
