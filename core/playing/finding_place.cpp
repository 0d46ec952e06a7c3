#include "playing/finding_place.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "playing/saturated.h"

namespace {
constexpr int64_t MillisecondsPerSecond = 1000;
constexpr int64_t MillisecondsPerMinute = 60 * MillisecondsPerSecond;
constexpr int64_t MicrosecondsPerMillisecond = 1000;
constexpr double MicrosecondsPerSecond = 1e6;
// Room for the longest text: two 19-digit numbers, two 10-digit ones and the words.
constexpr size_t PlaceTextSize = 128;

std::string minutesText(int64_t milliseconds) {
    char text[PlaceTextSize];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02d.%03d", milliseconds / MillisecondsPerMinute,
                  static_cast<int>(milliseconds / MillisecondsPerSecond % 60),
                  static_cast<int>(milliseconds % MillisecondsPerSecond));
    return text;
}

// Seconds as whole microseconds; before the start is the start.
int64_t microsecondsOf(double seconds) {
    // The largest int64_t is no double: 2^63 is the first double past it.
    constexpr double Past = 9223372036854775808.0;
    const double microseconds = std::round(seconds * MicrosecondsPerSecond);
    if (!(microseconds > 0)) return 0;
    return microseconds >= Past ? saturated::Largest : static_cast<int64_t>(microseconds);
}
}  // namespace

FindingPlace::FindingPlace(const uint8_t* written, size_t writtenSize, const uint8_t* source,
                           size_t sourceSize)
    : FindingPlace(readFileTiming(written, writtenSize), readFileTiming(source, sourceSize)) {}

FindingPlace::FindingPlace(const uint8_t* tune, size_t size)
    : FindingPlace(readFileTiming(tune, size), readFileTiming(tune, size)) {}

FindingPlace::FindingPlace(const FileTiming& written, const FileTiming& source)
    : writtenClock(written), sourceClock(source), sourceBars(source.meters, source.division) {}

std::string FindingPlace::barBeatText(int64_t sourceTime) const {
    const BarBeat place = sourceBars.at(sourceClock.tickAt(sourceTime));
    char text[PlaceTextSize];
    std::snprintf(text, sizeof text, "bar %d beat %d", static_cast<int>(place.bar),
                  static_cast<int>(place.beat));
    return text;
}

std::string FindingPlace::at(int32_t track, int64_t tick) const {
    const int64_t time = writtenClock.timeAt(tick);
    char trackTick[PlaceTextSize];
    std::snprintf(trackTick, sizeof trackTick, "track %d tick %" PRId64, static_cast<int>(track), tick);
    std::string text = minutesText(wholeMilliseconds(writtenClock, time)) + " (";
    if (writtenClock.countsQuarterNotes() && sourceClock.countsQuarterNotes()) {
        // The same instant on the source's clock, in its units.
        const int64_t sourceTime =
            saturated::scaled(time, sourceClock.unitsPerMicrosecond(), writtenClock.unitsPerMicrosecond());
        text += barBeatText(sourceTime) + ", ";
    }
    return text + trackTick + ")";
}

std::string FindingPlace::atSeconds(double seconds) const {
    const int64_t microseconds = microsecondsOf(seconds);
    std::string text = minutesText(microseconds / MicrosecondsPerMillisecond);
    if (!sourceClock.countsQuarterNotes()) return text;
    const int64_t sourceTime = saturated::product(microseconds, sourceClock.unitsPerMicrosecond());
    return text + " (" + barBeatText(sourceTime) + ")";
}
