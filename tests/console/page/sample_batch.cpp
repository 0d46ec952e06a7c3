#include "sample_batch.h"

#include <cmath>

namespace {
constexpr double secondsPerBar = 2.0;

// A small generator of its own, so that the results are the same everywhere.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 1) {}
    int32_t below(int32_t bound) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(bound));
    }

private:
    uint32_t state;
};

std::string place(double seconds) {
    const auto millis = static_cast<int64_t>(std::lround(seconds * 1000));
    const int64_t bar = static_cast<int64_t>(seconds / secondsPerBar) + 1;
    std::string thousandths = std::to_string(1000 + millis % 1000).substr(1);
    std::string wholeSeconds = std::to_string(100 + millis / 1000 % 60).substr(1);
    return std::to_string(millis / 60000) + ":" + wholeSeconds + "." + thousandths + " (bar " +
           std::to_string(bar) + " beat 1, track 2 tick " + std::to_string(millis) + ")";
}

std::vector<VoicePoint> timelineOf(int32_t index, int32_t points, double length) {
    Noise noise(static_cast<uint32_t>(index));
    std::vector<VoicePoint> timeline;
    for (int32_t i = 0; i < points; ++i) {
        const double phase = static_cast<double>(i) / 40.0 + 1.7 * index;
        const auto swell = static_cast<int32_t>(std::lround(6 + index % 9 + 9 * std::sin(phase)));
        const int32_t voices = swell + noise.below(6);
        const int32_t notes = voices * 2 / 3 + noise.below(4);
        timeline.push_back({length * i / points, voices, notes});
    }
    return timeline;
}

BatchProfileResult profileOf(int32_t limit, const std::vector<VoicePoint>& timeline) {
    BatchProfileResult profile;
    profile.name = "Handset " + std::to_string(limit);
    profile.voiceLimit = limit;
    bool over = false;
    for (const VoicePoint& at : timeline) {
        const bool nowOver = at.voices > limit;
        if (nowOver && !over) {
            profile.findingLines.push_back(place(at.seconds) + ": " + std::to_string(at.voices) +
                                           " voices at once, the handset plays " + std::to_string(limit));
            profile.findingSeconds.push_back(at.seconds);
        }
        over = nowOver;
    }
    profile.findings = static_cast<int32_t>(profile.findingLines.size());
    profile.fits = profile.findings == 0;
    if (!profile.fits) profile.firstPlace = place(profile.findingSeconds.front());
    return profile;
}
}  // namespace

BatchResult sampleTune(int32_t index, int32_t timelinePoints) {
    BatchResult result;
    result.file = "tune" + std::to_string(index) + ".mid";
    result.converted = true;
    result.bytes = 12000 + 37 * index;
    result.format = 1;
    result.tracks = 4 + index % 12;
    result.lengthSeconds = 60 + (index * 17) % 180 + 0.25;
    result.timeline = timelineOf(index, timelinePoints, result.lengthSeconds);
    for (const VoicePoint& at : result.timeline) {
        if (at.voices < result.voices) continue;
        result.voices = at.voices;
        result.notes = at.notes;
    }
    for (double bar = 0; bar < result.lengthSeconds; bar += secondsPerBar) result.barSeconds.push_back(bar);
    for (int32_t limit : {16, 24, 32}) result.profiles.push_back(profileOf(limit, result.timeline));
    return result;
}

std::vector<BatchResult> sampleBatch(int32_t tunes, int32_t timelinePoints) {
    std::vector<BatchResult> results;
    for (int32_t i = 1; i <= tunes; ++i) results.push_back(sampleTune(i, timelinePoints));
    return results;
}

BatchResult failedTune(const std::string& file, const std::string& message) {
    BatchResult result;
    result.file = file;
    result.message = message;
    return result;
}
