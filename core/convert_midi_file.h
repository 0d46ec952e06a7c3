#pragma once
#include <cstdint>
#include <vector>

// Writes the handset version of the source loaded in inputFile to outputPath,
// steered by ConvertOptions; tracks other than the first are fitted to
// tuneLength ticks. Relies on the SmfHeader that the analysis of the same file
// left. On failure fatalError is called and outputPath is left as it was.
void convertMidiFile(const char* outputPath, int32_t tuneLength);

// The same conversion into `output` instead of a file, for a caller that
// measures the converted tune before writing it. False after a failure, which
// has gone to fatalError.
bool convertMidiFileToMemory(std::vector<uint8_t>& output, int32_t tuneLength);
