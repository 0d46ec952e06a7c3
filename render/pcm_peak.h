#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The levels of a render, in decibels relative to full scale, and how many
// of its samples reached full scale, where the synthesizer's mix clipped.
class LevelMeter {
public:
    void take(const int16_t* samples, size_t count);
    bool silent() const { return peak == 0; }
    // 0.0 for a sample at full scale (-32768), -6.0 for half of it.
    double peakDbfs() const;
    // The root mean square of every sample taken, on the same scale.
    double rmsDbfs() const;
    // Each level with one decimal, or "-inf" for a silent render.
    std::string peakText() const;
    std::string rmsText() const;
    // The samples at 32767 or -32768, each channel's counted on its own.
    int64_t clippedSamples() const { return clipped; }

private:
    int32_t peak = 0;  // largest magnitude seen
    // Exact: each square is at most 2^30, so 2^34 samples fit, days of stereo.
    uint64_t sumOfSquares = 0;
    uint64_t samplesTaken = 0;
    int64_t clipped = 0;
};
