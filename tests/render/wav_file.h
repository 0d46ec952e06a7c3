#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

// A WAV file read field by field from its bytes, as a player reads it.
struct WavFile {
    bool complete = false;  // 44-byte header of RIFF/WAVE/"fmt "/"data", data inside the file
    uint32_t riffSize = 0;
    uint32_t fmtSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataSize = 0;
    std::vector<int16_t> samples;  // interleaved
};

WavFile parseWav(const Bytes& file);
