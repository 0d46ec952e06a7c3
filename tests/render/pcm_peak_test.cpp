// The peak level is the largest magnitude relative to full scale (32768),
// with one decimal; silence has none.
#include "pcm_peak.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::string peakOf(std::vector<int16_t> samples) {
    PeakMeter meter;
    meter.take(samples.data(), samples.size());
    return meter.text();
}
}  // namespace

TEST(PeakLevel, FullScaleIsZeroDecibelsEitherSign) {
    EXPECT_EQ(peakOf({0, INT16_MIN, 5}), "0.0");
    EXPECT_EQ(peakOf({INT16_MAX}), "0.0");
}

TEST(PeakLevel, HalvingTheLargestSampleLosesSixDecibels) {
    EXPECT_EQ(peakOf({16384, -100}), "-6.0");
    EXPECT_EQ(peakOf({-8192}), "-12.0");
    EXPECT_EQ(peakOf({1}), "-90.3");
}

TEST(PeakLevel, TheLoudestOfEveryBufferCounts) {
    PeakMeter meter;
    const std::vector<int16_t> loud = {-16384};
    const std::vector<int16_t> quiet = {100, -100};
    meter.take(loud.data(), loud.size());
    meter.take(quiet.data(), quiet.size());
    EXPECT_EQ(meter.text(), "-6.0");
}

TEST(PeakLevel, SilenceHasNoLevel) {
    EXPECT_EQ(peakOf({0, 0, 0}), "-inf");
    EXPECT_EQ(peakOf({}), "-inf");
}
