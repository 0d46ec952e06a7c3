#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "playing/bar_grid.h"
#include "playing/file_timing.h"
#include "playing/playing_clock.h"

// Where a finding is, as a person finds it: the time in the file as written,
// and the bar and beat of the source in a sequencer. The conversion re-times
// notes and drops time signatures, so bars counted in the written file would
// be wrong; the written file's time is what the handset plays, and its track
// and tick are what the check read.
//
// The text is what follows "at" in a finding line:
//   "1:02.345 (bar 17 beat 3, track 13 tick 61656)";
//   "0:00.000 (track 2 tick 480)" when either file's division is 0 or SMPTE
//     (bars need quarter notes);
// and, from a time alone, "0:12.345 (bar 7 beat 2)", or "0:12.345" for a
// source without quarter notes.
//
// The time is m:ss.mmm from the written file's own clock (PlayingClock: the
// tempos of all tracks merged, as the handset synthesizer plays them), in
// whole milliseconds rounded down, the millisecond the event falls in;
// minutes go on past 59 and huge times hold at the largest. The bar and beat
// are the source's at that time, on the source's own clock (BarGrid).
//
// Built once from both files, it keeps their tempos and time signatures only.
class FindingPlace {
public:
    FindingPlace(const uint8_t* written, size_t writtenSize, const uint8_t* source, size_t sourceSize);
    // A file played as it is: it is both the written file and the source.
    FindingPlace(const uint8_t* tune, size_t size);
    // Both files' timing, read already.
    FindingPlace(const FileTiming& written, const FileTiming& source);

    // The place of an event of the written file.
    std::string at(int32_t track, int64_t tick) const;
    // The place of a time in seconds from the start, rounded to the nearest
    // microsecond.
    std::string atSeconds(double seconds) const;

private:
    PlayingClock writtenClock;
    PlayingClock sourceClock;
    BarGrid sourceBars;

    std::string barBeatText(int64_t sourceTime) const;
};
