#pragma once
#include <cstdint>

#include "base/result.h"
#include "convert/convert_options.h"
#include "job/converted_file.h"
#include "job/job.h"
#include "pass/file_pass.h"

// The operations over the process-wide records that the programs have always
// called. Each builds its job from ConvertOptions, runs the job's form and
// copies back what the operation fills in. Nothing below this reads them.

// The one option record of the process, which kesto's window and dialog edit.
extern ConvertOptionsRecord ConvertOptions;

// ConvertOptions.reset().
void resetConvertOptions();

// The job ConvertOptions describes: no SP-MIDI, slimming or handset profiles.
Job jobFromConvertOptions();

// The pass over inputFile with trackReader, and the header as the last
// analysis left it in SmfHeader.
FilePass defaultFilePass();

// ConvertOptions.tuneLength, when not chosen, from its analysedLength and
// the header's division.
void roundTuneLength();

// As writeAnalysisReport, but the failure is given back to the caller
// instead of going to fatalError; longest is 0 after one.
Result reportLoadedFile(const char* displayName, const char* reportPath, int32_t& longest);

// Walks every event of the file loaded in inputFile and streams one report line
// per event (CR LF line ends) to reportPath, which is replaced only once the
// whole report is written (an empty path: not saved); fills channelUsed and
// firstProgram of ConvertOptions (octaveShift is cleared), SmfHeader,
// headerBytes and reportCopy, whose saved tells whether the file took the
// report. Returns the largest per-track noteTime, or 0 after a failure.
int32_t writeAnalysisReport(const char* displayName, const char* reportPath);

// Converts the file loaded in inputFile as job says (makeConvertedFile),
// keeping what was made in made, and writes its bytes whole to outputPath;
// the failure is given back, with outputPath left as it was.
Result convertLoadedFileFor(const Job& job, const char* outputPath, int32_t tuneLength, ConvertedFile& made);

// As convertMidiFile, but the failure is given back to the caller instead of
// going to fatalError.
Result convertLoadedFile(const char* outputPath, int32_t tuneLength);

// Writes the handset version of the source loaded in inputFile to outputPath,
// steered by ConvertOptions, through the one convert-then-write path
// (makeConvertedFile, then writeWholeFile). Relies on the SmfHeader that the
// analysis of the same file left. On failure fatalError is called and
// outputPath is left as it was.
void convertMidiFile(const char* outputPath, int32_t tuneLength);
