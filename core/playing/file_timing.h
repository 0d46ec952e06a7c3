#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// What a Standard MIDI File says about its own clock and bars: the division
// and its Set Tempo and Time Signature events, all tracks merged in playing
// order (by tick, track order within a tick). The handset synthesizer plays
// every track on one clock, format 2's too, so one merge serves every format.
// Only these events are kept, never the notes: a file's timing costs memory
// in proportion to its tempo and time signature events.

struct TempoChange {
    int64_t tick;
    int32_t microsecondsPerQuarter;
};

// A bar of beatsPerBar beats, a beat being a note of 1/2^beatPower.
struct MeterChange {
    int64_t tick;
    int32_t beatsPerBar;
    int32_t beatPower;
};

struct FileTiming {
    uint16_t division = 0;  // the header's field as written: bit 15 set for SMPTE time
    std::vector<TempoChange> tempos;
    std::vector<MeterChange> meters;
};

// The denominators a time signature may give: up to 1/2^MaxBeatPower. A time
// signature of 0 beats or a finer denominator means nothing and is left out.
constexpr int32_t MaxBeatPower = 15;

struct TrackEvent;

// The value of a Set Tempo event of at least three data bytes; false for
// any other event. bytes: the event, status first.
bool setTempoValue(const uint8_t* bytes, int32_t length, int32_t& microsecondsPerQuarter);

// Takes the timing of a file from the events of a walk in playing order, so
// that a pass of its own can gather it on the way.
class FileTimingReader {
public:
    // The division of the file's header bytes (0 without "MThd").
    FileTimingReader(const uint8_t* bytes, size_t size);

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event);

    FileTiming timing;
};

// The header's division field, 0 without "MThd".
uint16_t fileDivision(const uint8_t* bytes, size_t size);

// One walk over the file. A file without "MThd" has division 0 and no events.
FileTiming readFileTiming(const uint8_t* bytes, size_t size);
