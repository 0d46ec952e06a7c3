#pragma once
#include <cstdint>

#include "test_support.h"

// Deterministic generator of valid Standard MIDI Files for property tests,
// round trips, fuzz seeds and benchmarks. Same seed and options, same bytes.
struct GeneratorOptions {
    int format = 1;      // 0: one track holding everything; 1: tempo track + instrument tracks
    int trackCount = 3;  // format 1: tempo track included
    int division = 480;
    int eventsPerTrack = 200;   // note events (on + off) per instrument track, roughly
    bool runningStatus = true;  // omit repeated status bytes
    bool longMeta = true;       // text events of 128 bytes and more (multi-byte lengths)
    bool sysex = true;
    bool drums = true;        // a track on channel index 9
    bool highNotes = true;    // notes 120..127 now and then
    bool controllers = true;  // control changes, pitch bends, pressure between notes
    bool programChanges = true;
    int maxChord = 4;  // notes started at one instant
    int maxMetaLength = 300;
};

Bytes generateMidiFile(uint32_t seed, const GeneratorOptions& options = GeneratorOptions());
