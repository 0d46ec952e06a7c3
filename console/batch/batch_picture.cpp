#include "batch_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

#include "html_text.h"

namespace {
// The picture's units: the page scales the whole picture, small or large.
// The plot is as many columns wide as a large picture shows; a timeline of
// more points keeps the most of each column, so that no peak is lost and
// the page's size does not grow with the tune.
constexpr int plotLeft = 30;
constexpr int plotWidth = 400;
constexpr int plotRight = plotLeft + plotWidth;
constexpr int pictureWidth = plotRight + 6;
constexpr int plotHeight = 100;
constexpr int axisHeight = 32;
constexpr int markRowHeight = 6;
constexpr int markHeight = 4;
constexpr int maxMarkRows = 6;
constexpr int markColumnWidth = 2;  // findings closer than this share one mark
constexpr size_t colourCount = 8;
// Longer than any tune; it keeps the axis steps within integers.
constexpr double longestSpan = 1e6;

bool isTime(double seconds) {
    return std::isfinite(seconds) && seconds >= 0;
}

std::string number(int value) {
    return std::to_string(value);
}

std::string point(int x, int y) {
    return number(x) + "," + number(y);
}

struct Frame {
    double span = 1;  // seconds across the plot
    int32_t top = 1;  // the count at the plot's top
    int plotTop = 0;

    int plotBottom() const { return plotTop + plotHeight; }
    int height() const { return plotBottom() + axisHeight; }
    int x(double seconds) const {
        const double within = isTime(seconds) ? std::min(seconds, span) : 0;
        return plotLeft + static_cast<int>(std::lround(within / span * plotWidth));
    }
    int y(int32_t count) const {
        const int32_t within = std::clamp(count, 0, top);
        return plotBottom() - static_cast<int>(std::lround(static_cast<double>(within) * plotHeight / top));
    }
};

double spanOf(const BatchResult& result) {
    double span = isTime(result.lengthSeconds) ? result.lengthSeconds : 0;
    for (const VoicePoint& at : result.timeline)
        if (isTime(at.seconds)) span = std::max(span, at.seconds);
    return span > 0 ? std::min(span, longestSpan) : 1;
}

// The most of every count the picture shows, with room above the peak.
int32_t topOf(const BatchResult& result) {
    int32_t most = std::max(result.voices, result.notes);
    for (const VoicePoint& at : result.timeline) most = std::max({most, at.voices, at.notes});
    for (const BatchProfileResult& profile : result.profiles) most = std::max(most, profile.voiceLimit);
    most = std::clamp(most, 0, INT32_MAX / 2);
    return most + most / 10 + 1;
}

Frame frameOf(const BatchResult& result) {
    Frame frame;
    frame.span = spanOf(result);
    frame.top = topOf(result);
    const int rows = static_cast<int>(std::min(result.profiles.size(), static_cast<size_t>(maxMarkRows)));
    frame.plotTop = 4 + rows * markRowHeight;
    return frame;
}

struct Column {
    int x;
    int32_t voices;
    int32_t notes;
};

std::vector<Column> columnsOf(const std::vector<VoicePoint>& timeline, const Frame& frame) {
    std::vector<Column> points;
    for (const VoicePoint& at : timeline)
        if (isTime(at.seconds)) points.push_back({frame.x(at.seconds), at.voices, at.notes});
    std::stable_sort(points.begin(), points.end(),
                     [](const Column& a, const Column& b) { return a.x < b.x; });
    std::vector<Column> columns;
    for (const Column& at : points) {
        if (!columns.empty() && columns.back().x == at.x) {
            columns.back().voices = std::max(columns.back().voices, at.voices);
            columns.back().notes = std::max(columns.back().notes, at.notes);
        } else {
            columns.push_back(at);
        }
    }
    return columns;
}

// Relative steps from the first column on: each count holds until the next
// column's, the last until the plot's end. Short moves keep the page small.
std::string stepsAfterFirst(const std::vector<Column>& columns, int32_t Column::*count, const Frame& frame) {
    std::string path;
    int atX = columns.front().x;
    int atY = frame.y(columns.front().*count);
    for (size_t i = 1; i < columns.size(); ++i) {
        const int y = frame.y(columns[i].*count);
        if (y == atY) continue;
        path += "h" + number(columns[i].x - atX) + "v" + number(y - atY);
        atX = columns[i].x;
        atY = y;
    }
    return path + "H" + number(plotRight);
}

std::string seriesPaths(const BatchResult& result, const Frame& frame) {
    const std::vector<Column> columns = columnsOf(result.timeline, frame);
    if (columns.empty()) return "";
    const Column& first = columns.front();
    const std::string bottom = number(frame.plotBottom());
    const std::string voices = "M" + number(first.x) + "," + bottom + "V" + number(frame.y(first.voices)) +
                               stepsAfterFirst(columns, &Column::voices, frame) + "V" + bottom + "Z";
    const std::string notes =
        "M" + point(first.x, frame.y(first.notes)) + stepsAfterFirst(columns, &Column::notes, frame);
    return "<path class=\"vo\" d=\"" + voices + "\"/><path class=\"no\" d=\"" + notes + "\"/>";
}

std::string textAt(int x, int y, const std::string& text, const char* anchorClass = "") {
    std::string element = "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\"";
    if (*anchorClass) element += std::string(" class=\"") + anchorClass + "\"";
    return element + ">" + text + "</text>";
}

// Profiles of one limit share one line, which names them all.
std::string limitLines(const BatchResult& result, const std::vector<std::string>& profileNames,
                       const Frame& frame) {
    std::map<int32_t, std::vector<const BatchProfileResult*>> byLimit;
    for (const BatchProfileResult& profile : result.profiles)
        if (profile.voiceLimit > 0) byLimit[profile.voiceLimit].push_back(&profile);
    std::string lines;
    for (const auto& [limit, profiles] : byLimit) {
        std::string names;
        for (const BatchProfileResult* profile : profiles)
            names += (names.empty() ? "" : ", ") + htmlEscaped(profile->name);
        const int y = frame.y(limit);
        lines += "<g class=\"lim " + profileColourClass(profiles.front()->name, profileNames) +
                 "\"><path d=\"M" + point(plotLeft, y) + "H" + number(plotRight) + "\"/>" +
                 textAt(plotRight - 2, y - 2, names + ": " + std::to_string(limit), "e") + "</g>";
    }
    return lines;
}

std::vector<int> markColumns(const BatchProfileResult& profile, const Frame& frame) {
    std::vector<int> columns;
    for (double seconds : profile.findingSeconds)
        if (isTime(seconds)) columns.push_back(frame.x(seconds) / markColumnWidth * markColumnWidth);
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    return columns;
}

std::string marksOf(const BatchProfileResult& profile, size_t row, const std::string& colourClass,
                    const Frame& frame) {
    const std::vector<int> columns = markColumns(profile, frame);
    if (columns.empty()) return "";
    const int y = 2 + static_cast<int>(row) * markRowHeight;
    std::string path = "M" + point(columns.front(), y) + "v" + number(markHeight);
    for (size_t i = 1; i < columns.size(); ++i)
        path +=
            "m" + number(columns[i] - columns[i - 1]) + ",-" + number(markHeight) + "v" + number(markHeight);
    return "<path class=\"mk " + colourClass + "\" d=\"" + path + "\"><title>" + htmlEscaped(profile.name) +
           ": " + counted(profile.findings, "finding") + "</title></path>";
}

std::string findingMarks(const BatchResult& result, const std::vector<std::string>& profileNames,
                         const Frame& frame) {
    std::string marks;
    for (size_t i = 0; i < result.profiles.size(); ++i) {
        const BatchProfileResult& profile = result.profiles[i];
        marks += marksOf(profile, i % maxMarkRows, profileColourClass(profile.name, profileNames), frame);
    }
    return marks;
}

// Whole seconds between labels, so that about eight fit along the plot.
int64_t secondsStep(double span) {
    for (int64_t step : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1200, 1800, 3600})
        if (span / static_cast<double>(step) <= 8) return step;
    return 3600 * static_cast<int64_t>(std::ceil(span / 3600 / 8));
}

std::string timeAxis(const Frame& frame) {
    const int bottom = frame.plotBottom();
    const int64_t step = secondsStep(frame.span);
    std::string ticks = "M" + point(plotLeft, bottom) + "H" + number(plotRight);
    std::string labels = textAt(0, bottom + 12, "time", "s");
    for (int64_t seconds = 0; static_cast<double>(seconds) <= frame.span; seconds += step) {
        const int x = frame.x(static_cast<double>(seconds));
        ticks += "M" + point(x, bottom) + "v3";
        labels += textAt(x, bottom + 12, minutesSeconds(seconds));
    }
    return "<path d=\"" + ticks + "\"/>" + labels;
}

std::vector<double> barsWithin(const BatchResult& result, const Frame& frame) {
    std::vector<double> bars;
    for (double seconds : result.barSeconds) {
        if (!isTime(seconds) || seconds > frame.span) break;
        bars.push_back(seconds);
    }
    return bars;
}

// Every bar has its tick where they stand apart; a power of two of them
// has its number, about ten along the plot.
std::string barAxis(const BatchResult& result, const Frame& frame) {
    const std::vector<double> bars = barsWithin(result, frame);
    if (bars.empty()) return "";
    size_t step = 1;
    while (bars.size() / step > 10) step *= 2;
    const bool everyTick = bars.size() <= plotWidth / 4;
    const int tickTop = frame.plotBottom() + 16;
    std::string ticks;
    std::string labels = textAt(0, tickTop + 12, "bar", "s");
    for (size_t i = 0; i < bars.size(); ++i) {
        const bool numbered = i % step == 0;
        if (!numbered && !everyTick) continue;
        const int x = frame.x(bars[i]);
        ticks += "M" + point(x, tickTop) + (numbered ? "v4" : "v2");
        if (numbered) labels += textAt(x, tickTop + 12, std::to_string(i + 1));
    }
    return "<path d=\"" + ticks + "\"/>" + labels;
}

std::string countLabels(const Frame& frame) {
    return textAt(plotLeft - 3, frame.plotBottom(), "0", "e") +
           textAt(plotLeft - 3, frame.plotTop + 8, std::to_string(frame.top), "e");
}
}  // namespace

std::string profileColourClass(const std::string& name, const std::vector<std::string>& profileNames) {
    const auto column = std::find(profileNames.begin(), profileNames.end(), name) - profileNames.begin();
    return "c" + std::to_string(static_cast<size_t>(column) % colourCount);
}

std::string voicePicture(const BatchResult& result, const std::vector<std::string>& profileNames) {
    const Frame frame = frameOf(result);
    return "<svg class=\"pic\" viewBox=\"0 0 " + number(pictureWidth) + " " + number(frame.height()) +
           "\" role=\"img\" aria-label=\"voices and notes over time\"><rect x=\"" + number(plotLeft) +
           "\" y=\"" + number(frame.plotTop) + "\" width=\"" + number(plotWidth) + "\" height=\"" +
           number(plotHeight) + "\"/>" + seriesPaths(result, frame) +
           limitLines(result, profileNames, frame) + findingMarks(result, profileNames, frame) +
           "<g class=\"ax\">" + countLabels(frame) + timeAxis(frame) + barAxis(result, frame) + "</g></svg>";
}
