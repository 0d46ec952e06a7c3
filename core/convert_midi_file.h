#pragma once
#include <cstdint>
#include <vector>

#include "convert_options.h"

class MTrk;
class OutputSink;
class VFILE;

// What one conversion reads: a loaded source, a reader of its own, the track
// count its header announced and the settings. Conversions with sources of
// their own can run beside other passes over the same file.
struct ConversionSource {
    VFILE& file;
    MTrk& reader;
    int32_t trackCount;
    ConvertOptionsRecord options;
};

// As convertMidi, from the given source.
const char* convertMidiFrom(ConversionSource& source, OutputSink& output, int32_t tuneLength);

// Writes the handset version of the source loaded in inputFile to output,
// steered by ConvertOptions, as convertMidiFile does, but reports instead of
// calling fatalError: nullptr when the whole file was written, else the
// message. Lets a caller convert into memory first.
const char* convertMidi(OutputSink& output, int32_t tuneLength);

// Writes the handset version of the source loaded in inputFile to outputPath,
// steered by ConvertOptions; tracks other than the first are fitted to
// tuneLength ticks. Relies on the SmfHeader that the analysis of the same file
// left. On failure fatalError is called and outputPath is left as it was.
void convertMidiFile(const char* outputPath, int32_t tuneLength);

// The same conversion into `output` instead of a file, for a caller that
// measures the converted tune before writing it. False after a failure, which
// has gone to fatalError.
bool convertMidiFileToMemory(std::vector<uint8_t>& output, int32_t tuneLength);
