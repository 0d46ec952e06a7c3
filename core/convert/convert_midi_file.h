#pragma once
#include <cstdint>

#include "base/result.h"

class OutputSink;
struct FilePass;

// Writes the handset version of the pass's file to output, steered by
// pass.options and pass.spMidi (a source MIP message is left out while
// SP-MIDI output is on); tracks other than the first are fitted to
// tuneLength ticks. The failure names what could not be done.
Result convertFile(FilePass& pass, OutputSink& output, int32_t tuneLength);

// As convertMidiFile, but the failure is given back to the caller instead of
// going to fatalError.
Result convertLoadedFile(const char* outputPath, int32_t tuneLength);

// Writes the handset version of the source loaded in inputFile to outputPath,
// steered by ConvertOptions and SpMidi, through the one convert-then-write
// path (makeConvertedFile, then writeWholeFile). Relies on the SmfHeader that
// the analysis of the same file left. On failure fatalError is called and
// outputPath is left as it was.
void convertMidiFile(const char* outputPath, int32_t tuneLength);
