#include "pcm_peak.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr double FullScale = 32768.0;
constexpr double ShownAsZero = -0.05;  // 32767 is full scale too, not "-0.0"

double dbfsOf(double magnitude) {
    return 20.0 * std::log10(magnitude / FullScale);
}

std::string decibelText(double level, bool silent) {
    if (silent) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", level > ShownAsZero ? 0.0 : level);
    return text;
}

bool atFullScale(int16_t sample) {
    return sample == INT16_MAX || sample == INT16_MIN;
}
}  // namespace

void LevelMeter::take(const int16_t* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int32_t value = samples[i];
        const int32_t magnitude = std::abs(value);
        if (magnitude > peak) peak = magnitude;
        sumOfSquares += static_cast<uint64_t>(static_cast<int64_t>(value) * value);
        if (atFullScale(samples[i])) ++clipped;
    }
    samplesTaken += count;
}

double LevelMeter::peakDbfs() const {
    return dbfsOf(peak);
}

double LevelMeter::rmsDbfs() const {
    if (samplesTaken == 0) return dbfsOf(0);
    return dbfsOf(std::sqrt(static_cast<double>(sumOfSquares) / static_cast<double>(samplesTaken)));
}

std::string LevelMeter::peakText() const {
    return decibelText(peakDbfs(), silent());
}

std::string LevelMeter::rmsText() const {
    return decibelText(rmsDbfs(), silent());
}
