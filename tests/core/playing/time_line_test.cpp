// Time lines: tracks merged by tick, track order kept within a tick.
#include "playing/time_line.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
struct Timed {
    int64_t tick;
    int track;
};

std::vector<std::vector<Timed>> tracksOf(const std::vector<std::vector<int64_t>>& ticks) {
    std::vector<std::vector<Timed>> tracks(ticks.size());
    for (size_t t = 0; t < ticks.size(); ++t)
        for (int64_t tick : ticks[t]) tracks[t].push_back({tick, static_cast<int>(t)});
    return tracks;
}

std::vector<std::pair<int64_t, int>> order(const std::vector<Timed>& line) {
    std::vector<std::pair<int64_t, int>> places;
    for (const Timed& event : line) places.emplace_back(event.tick, event.track);
    return places;
}
}  // namespace

TEST(TimeLines, TracksMergeByTickKeepingTrackOrderWithinATick) {
    // Five tracks, so that the merges in pairs leave one over at each round.
    const auto tracks = tracksOf({{0, 10, 10}, {10}, {}, {0, 5, 10}, {0, 10, 20}});
    const std::vector<std::pair<int64_t, int>> expected = {{0, 0},  {0, 3},  {0, 4},  {5, 3},  {10, 0},
                                                           {10, 0}, {10, 1}, {10, 3}, {10, 4}, {20, 4}};
    EXPECT_EQ(order(mergeTracks(tracks)), expected);
    const auto lines = timeLines(1, tracks);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(order(lines[0]), expected);
    EXPECT_TRUE(mergeTracks(std::vector<std::vector<Timed>>{}).empty());
}

TEST(TimeLines, Format2KeepsEachTrackAsItsOwnLine) {
    const auto tracks = tracksOf({{0, 10}, {5}});
    const auto lines = timeLines(2, tracks);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(order(lines[1]), (std::vector<std::pair<int64_t, int>>{{5, 1}}));
}
