#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "batch_result.h"
#include "playing/voice_model.h"

// Over time, what a written file plays: the voices and notes at once, its
// length, and where the source's bars fall, all in seconds of the written
// file as the handset plays it.
struct TuneTimes {
    std::vector<VoicePoint> timeline;
    std::vector<double> barSeconds;
    double lengthSeconds = 0;
    // The most voices at once on a handset that plays every channel.
    VoiceCount peak;
};

// Points kept at most: the most of each stretch, as a chart can show them.
constexpr size_t MostTimelinePoints = 600;
constexpr size_t MostBars = 2000;

TuneTimes measureTuneTimes(const std::vector<uint8_t>& written, const uint8_t* source, size_t sourceSize);

// Counts over time thinned to at most most points: the length parted into
// that many even stretches, each keeping its first point of the most voices.
std::vector<VoicePoint> mostOfEachStretch(const std::vector<VoicePoint>& points, double lengthSeconds,
                                          size_t most);

// The first tick of each bar of a file of ticksPerQuarter, 4/4 until its
// first time signature (as finding places count them), up to lastTick.
std::vector<int64_t> barStartTicks(const std::vector<MeterChange>& meters, int32_t ticksPerQuarter,
                                   int64_t lastTick);

// Every step-th of items, from the first, so that at most most are left.
std::vector<double> thinnedEvenly(const std::vector<double>& items, size_t most);
