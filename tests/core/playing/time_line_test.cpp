// Runs of events held in memory, merged by tick, run order kept within a tick.
#include "playing/time_line.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
struct Timed {
    int64_t tick;
    int track;
};

// The runs one after another, as mergeRuns takes them.
std::vector<Timed> mergedRuns(const std::vector<std::vector<int64_t>>& ticks) {
    std::vector<Timed> items;
    std::vector<size_t> starts;
    for (size_t run = 0; run < ticks.size(); ++run) {
        starts.push_back(items.size());
        for (int64_t tick : ticks[run]) items.push_back({tick, static_cast<int>(run)});
    }
    starts.push_back(items.size());
    mergeRuns(items, std::move(starts), [](const Timed& item) { return item.tick; });
    return items;
}

std::vector<std::pair<int64_t, int>> order(const std::vector<Timed>& line) {
    std::vector<std::pair<int64_t, int>> places;
    for (const Timed& event : line) places.emplace_back(event.tick, event.track);
    return places;
}
}  // namespace

TEST(MergedRuns, MergeByTickKeepingRunOrderWithinATick) {
    // Five runs, so that the merges in pairs leave one over at each round.
    const std::vector<std::pair<int64_t, int>> expected = {{0, 0},  {0, 3},  {0, 4},  {5, 3},  {10, 0},
                                                           {10, 0}, {10, 1}, {10, 3}, {10, 4}, {20, 4}};
    EXPECT_EQ(order(mergedRuns({{0, 10, 10}, {10}, {}, {0, 5, 10}, {0, 10, 20}})), expected);
    EXPECT_TRUE(mergedRuns({}).empty());
}
