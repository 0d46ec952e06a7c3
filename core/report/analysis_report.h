#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/result.h"

class MTrk;
struct ConvertOptionsRecord;
struct FilePass;

// What the last report leaves in memory: its whole size and its first
// keepLimit bytes (as much as kesto's report box shows; the rest is only in
// the file).
struct ReportCopy {
    static constexpr size_t DefaultKeepLimit = 1024 * 1024;
    size_t keepLimit = DefaultKeepLimit;
    size_t size = 0;
    std::string text;
    // The report file now holds this report whole.
    bool saved = false;
};
extern ReportCopy reportCopy;

// A track's noteTime after the reader's current event: the event's delta is
// added for note-off and note-on messages only. Stops at the largest 32-bit
// value rather than wrapping to a negative time.
int32_t advanceNoteTime(int32_t noteTime, const MTrk& reader);

// Walks every event of the pass's file and streams one report line per
// event (CR LF line ends) to reportPath, which is replaced only once the
// whole report is written (an empty path: not saved). Checks the header into
// pass.header, fills channelUsed and firstProgram of facts (octaveShift is
// cleared) and reportCopy, whose saved tells whether the file took the
// report; longest is the largest per-track noteTime. A refused header is the
// failure.
Result analyseFile(FilePass& pass, ConvertOptionsRecord& facts, const char* displayName,
                   const char* reportPath, int32_t& longest);

// What writeAnalysisReport returns for a source whose header it accepts,
// measured without describing anything: a pass of its own, which may run
// beside the report.
int32_t measureAnalysedLength(FilePass& pass);
