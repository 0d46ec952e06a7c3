#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/output_sink.h"

// A RIFF WAVE file of 16-bit PCM, written while the audio is made: the
// header goes first with empty sizes, which finish() fills in, so a render of
// any length holds only one block of samples in memory.
class WavWriter {
public:
    static constexpr size_t HeaderSize = 44;
    // The RIFF size field counts the data and the 36 header bytes after it.
    static constexpr uint64_t MaxDataBytes = 0xFFFFFFFFu - (HeaderSize - 8);

    WavWriter(OutputSink& sink, int32_t framesPerSecond, int32_t channelCount);

    // Writes the header; false when the output takes no bytes.
    bool begin();
    // Appends frames of interleaved samples; false when the output fails or
    // the data would outgrow what the size fields can say.
    bool append(const int16_t* samples, size_t frames);
    // Writes what is pending and the sizes; the output is then complete.
    bool finish();

private:
    OutputSink& output;
    int32_t sampleRate;
    int32_t channels;
    std::vector<uint8_t> pending;  // little-endian samples not yet written
    uint64_t dataBytes = 0;        // appended so far, pending included

    bool flushPending();
};
