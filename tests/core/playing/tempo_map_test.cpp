// The clock of a time line: microseconds times the division, from the
// tempo in force at each tick.
#include "playing/tempo_map.h"

#include <gtest/gtest.h>

TEST(TempoMap, TheDefaultTempoHoldsUntilTheFirstSetTempo) {
    EXPECT_EQ(TempoMap({}).scaledTime(0), 0);
    EXPECT_EQ(TempoMap({}).scaledTime(480), 480 * 500000LL);
    const TempoMap clock({{960, 1, 250000}});
    EXPECT_EQ(clock.scaledTime(960), 960 * 500000LL);
    EXPECT_EQ(clock.scaledTime(1000), 960 * 500000LL + 40 * 250000LL);
}

TEST(TempoMap, TheLastTempoOfATickHolds) {
    const TempoMap clock({{0, 0, 100}, {0, 1, 300}, {10, 0, 1000}, {10, 0, 2000}});
    EXPECT_EQ(clock.scaledTime(10), 10 * 300);
    EXPECT_EQ(clock.scaledTime(12), 10 * 300 + 2 * 2000);
}

TEST(TempoMap, ATimeBeyondTheRangeIsHeldAtItsEnd) {
    const TempoMap clock({{0, 0, 0xFFFFFF}, {INT64_MAX / 4, 0, 0}});
    EXPECT_EQ(clock.scaledTime(INT64_MAX / 8), TempoMap::Saturated);
    EXPECT_EQ(clock.scaledTime(INT64_MAX / 2), TempoMap::Saturated);
    // A tempo of 0 stops the clock.
    EXPECT_EQ(TempoMap({{0, 0, 0}}).scaledTime(INT64_MAX), 0);
}
