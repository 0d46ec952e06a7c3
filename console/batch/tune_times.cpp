#include "tune_times.h"

#include <algorithm>

#include "playing/file_timing.h"
#include "playing/playing_clock.h"
#include "playing/playing_walk.h"

namespace {
constexpr double MicrosecondsPerSecond = 1e6;
constexpr uint16_t SmpteDivision = 0x8000;
// Time signatures can make bars of a tick or so; the bars are thinned for
// the chart anyway, so counting stops here.
constexpr size_t MostBarsCounted = 1000000;

double secondsAt(const PlayingClock& clock, int64_t tick) {
    return static_cast<double>(clock.timeAt(tick)) / static_cast<double>(clock.unitsPerMicrosecond()) /
           MicrosecondsPerSecond;
}

// The last tick at or before a time; a time past the clock's range is its end.
int64_t tickAtSeconds(const PlayingClock& clock, double seconds) {
    const double units = seconds * MicrosecondsPerSecond * static_cast<double>(clock.unitsPerMicrosecond());
    constexpr double LargestTime = 9.0e18;
    return clock.tickAt(units >= LargestTime ? static_cast<int64_t>(LargestTime)
                                             : static_cast<int64_t>(units));
}

struct CountRecorder : VoiceCountListener {
    std::vector<VoiceCount> counts;
    void onCount(const VoiceCount& count) override { counts.push_back(count); }
};

// Feeds the model as the walk plays the tune, noting where it ends.
struct PlayedTune {
    VoiceModel& model;
    int64_t lastTick = 0;

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        model.onEvent(track, tick, event.bytes, event.length);
        lastTick = std::max(lastTick, tick);
        return true;
    }
};

int64_t ticksPerBar(const MeterChange& meter, int32_t ticksPerQuarter) {
    const int64_t whole = int64_t{4} * ticksPerQuarter * meter.beatsPerBar;
    return std::max<int64_t>(1, whole >> meter.beatPower);
}

std::vector<double> sourceBarSeconds(const uint8_t* source, size_t sourceSize, double lengthSeconds) {
    const FileTiming timing = readFileTiming(source, sourceSize);
    if (timing.division == 0 || (timing.division & SmpteDivision) != 0) return {};
    const PlayingClock clock(timing);
    std::vector<double> seconds;
    for (const int64_t tick :
         barStartTicks(timing.meters, timing.division, tickAtSeconds(clock, lengthSeconds)))
        seconds.push_back(secondsAt(clock, tick));
    return thinnedEvenly(seconds, MostBars);
}
}  // namespace

std::vector<VoicePoint> mostOfEachStretch(const std::vector<VoicePoint>& points, double lengthSeconds,
                                          size_t most) {
    if (points.size() <= most || most == 0) return points;
    std::vector<VoicePoint> kept;
    const double stretch = std::max(lengthSeconds, points.back().seconds) / static_cast<double>(most);
    size_t keptStretch = 0;
    for (const VoicePoint& point : points) {
        const double place = stretch > 0 ? point.seconds / stretch : 0;
        const size_t index = std::min(most - 1, static_cast<size_t>(std::max(0.0, place)));
        if (!kept.empty() && index == keptStretch) {
            if (point.voices > kept.back().voices) kept.back() = point;
            continue;
        }
        kept.push_back(point);
        keptStretch = index;
    }
    return kept;
}

std::vector<int64_t> barStartTicks(const std::vector<MeterChange>& meters, int32_t ticksPerQuarter,
                                   int64_t lastTick) {
    std::vector<int64_t> starts;
    if (ticksPerQuarter <= 0) return starts;
    MeterChange meter{0, 4, 2};
    size_t next = 0;
    int64_t tick = 0;
    while (tick <= lastTick && starts.size() < MostBarsCounted) {
        // A time signature here sets this bar's meter; the last of a tick counts.
        while (next < meters.size() && meters[next].tick <= tick) meter = meters[next++];
        starts.push_back(tick);
        const int64_t barEnd = tick + ticksPerBar(meter, ticksPerQuarter);
        // One inside the bar starts a new bar there.
        tick = next < meters.size() && meters[next].tick < barEnd ? meters[next].tick : barEnd;
    }
    return starts;
}

std::vector<double> thinnedEvenly(const std::vector<double>& items, size_t most) {
    if (items.size() <= most || most == 0) return items;
    const size_t step = (items.size() + most - 1) / most;
    std::vector<double> kept;
    for (size_t k = 0; k < items.size(); k += step) kept.push_back(items[k]);
    return kept;
}

TuneTimes measureTuneTimes(const std::vector<uint8_t>& written, const uint8_t* source, size_t sourceSize) {
    TuneTimes times;
    CountRecorder recorder;
    VoiceModel model(fileDivision(written.data(), written.size()), NoMipMuting, &recorder);
    PlayedTune played{model};
    walkInPlayingOrder(written.data(), written.size(), played);
    model.finish();
    times.peak = model.peak();

    const PlayingClock clock(readFileTiming(written.data(), written.size()));
    times.lengthSeconds = secondsAt(clock, played.lastTick);
    std::vector<VoicePoint> points;
    points.reserve(recorder.counts.size());
    for (const VoiceCount& count : recorder.counts)
        points.push_back({secondsAt(clock, count.tick), count.voices, count.notes});
    times.timeline = mostOfEachStretch(points, times.lengthSeconds, MostTimelinePoints);
    times.barSeconds = sourceBarSeconds(source, sourceSize, times.lengthSeconds);
    return times;
}
