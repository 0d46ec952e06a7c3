#pragma once
#include <cstdint>

class MTrk;

constexpr int32_t InitialReportSize = 32768;

// Walks every event of the file loaded in inputFile, writes one report line per
// event into reportFile (CR LF line ends) and saves it to reportPath; fills
// channelUsed and firstProgram of ConvertOptions (octaveShift is cleared).
// Returns the largest per-track noteTime, or 0 after a failure.
int32_t writeAnalysisReport(const char* displayName, const char* reportPath);

// A track's noteTime after the reader's current event: the event's delta is
// added for note-off and note-on messages only. Stops at the largest 32-bit
// value rather than wrapping to a negative time.
int32_t advanceNoteTime(int32_t noteTime, const MTrk& reader);
