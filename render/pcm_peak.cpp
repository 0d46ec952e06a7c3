#include "pcm_peak.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr double FullScale = 32768.0;
constexpr double ShownAsZero = -0.05;  // 32767 is full scale too, not "-0.0"
}  // namespace

void PeakMeter::take(const int16_t* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int32_t magnitude = std::abs(static_cast<int32_t>(samples[i]));
        if (magnitude > peak) peak = magnitude;
    }
}

double PeakMeter::dbfs() const {
    return 20.0 * std::log10(peak / FullScale);
}

std::string PeakMeter::text() const {
    if (silent()) return "-inf";
    char text[32];
    const double level = dbfs();
    std::snprintf(text, sizeof text, "%.1f", level > ShownAsZero ? 0.0 : level);
    return text;
}
