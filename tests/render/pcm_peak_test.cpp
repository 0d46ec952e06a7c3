// The levels of a render relative to full scale (32768), with one decimal:
// the largest magnitude, the root mean square of every sample, and the count
// of samples at either end of the range. Silence has no level.
#include "pcm_peak.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
LevelMeter meterOf(std::vector<int16_t> samples) {
    LevelMeter meter;
    meter.take(samples.data(), samples.size());
    return meter;
}

std::string peakOf(std::vector<int16_t> samples) {
    return meterOf(std::move(samples)).peakText();
}

std::string rmsOf(std::vector<int16_t> samples) {
    return meterOf(std::move(samples)).rmsText();
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
    LevelMeter meter;
    const std::vector<int16_t> loud = {-16384};
    const std::vector<int16_t> quiet = {100, -100};
    meter.take(loud.data(), loud.size());
    meter.take(quiet.data(), quiet.size());
    EXPECT_EQ(meter.peakText(), "-6.0");
}

TEST(PeakLevel, SilenceHasNoLevel) {
    EXPECT_EQ(peakOf({0, 0, 0}), "-inf");
    EXPECT_EQ(peakOf({}), "-inf");
    EXPECT_EQ(rmsOf({0, 0, 0}), "-inf");
    EXPECT_EQ(rmsOf({}), "-inf");
}

// A square wave's RMS is its peak; half of its samples at rest lose 3 dB.
TEST(RmsLevel, EverySampleOfEveryBufferWeighsTheSame) {
    EXPECT_EQ(rmsOf({INT16_MIN, INT16_MAX, INT16_MIN}), "0.0");
    EXPECT_EQ(rmsOf({16384, -16384}), "-6.0");
    EXPECT_EQ(rmsOf({16384, 0}), "-9.0");
    LevelMeter meter;
    const std::vector<int16_t> loud = {16384, -16384};
    const std::vector<int16_t> rest = {0, 0};
    meter.take(loud.data(), loud.size());
    meter.take(rest.data(), rest.size());
    EXPECT_EQ(meter.rmsText(), "-9.0");
    EXPECT_EQ(meter.peakText(), "-6.0");
}

TEST(ClippedSamples, OnlyTheEndsOfTheRangeCountInEveryBuffer) {
    EXPECT_EQ(meterOf({INT16_MAX, INT16_MIN, INT16_MAX - 1, INT16_MIN + 1, 0}).clippedSamples(), 2);
    LevelMeter meter;
    const std::vector<int16_t> left = {INT16_MAX, INT16_MAX};
    const std::vector<int16_t> right = {INT16_MIN};
    meter.take(left.data(), left.size());
    meter.take(right.data(), right.size());
    EXPECT_EQ(meter.clippedSamples(), 3);
    EXPECT_EQ(meterOf({}).clippedSamples(), 0);
}
