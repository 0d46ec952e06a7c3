// The clock of a time line: microseconds times the division, from the
// tempo in force at each tick.
#include "playing/tempo_map.h"

#include <gtest/gtest.h>

TEST(TempoMap, TheDefaultTempoHoldsUntilTheFirstSetTempo) {
    TempoMap clock;
    EXPECT_EQ(clock.scaledTime(0), 0);
    EXPECT_EQ(clock.scaledTime(480), 480 * 500000LL);
    clock.change(960, 250000);
    EXPECT_EQ(clock.scaledTime(960), 960 * 500000LL);
    EXPECT_EQ(clock.scaledTime(1000), 960 * 500000LL + 40 * 250000LL);
}

TEST(TempoMap, TheLastTempoOfATickHolds) {
    TempoMap clock;
    clock.change(0, 100);
    clock.change(0, 300);
    clock.change(10, 1000);
    EXPECT_EQ(clock.scaledTime(10), 10 * 300);
    clock.change(10, 2000);
    EXPECT_EQ(clock.scaledTime(10), 10 * 300);
    EXPECT_EQ(clock.scaledTime(12), 10 * 300 + 2 * 2000);
}

TEST(TempoMap, ATimeBeyondTheRangeIsHeldAtItsEnd) {
    TempoMap clock;
    clock.change(0, 0xFFFFFF);
    EXPECT_EQ(clock.scaledTime(INT64_MAX / 8), TempoMap::Saturated);
    // Once saturated, a slower tempo does not bring the clock back.
    clock.change(INT64_MAX / 4, 0);
    EXPECT_EQ(clock.scaledTime(INT64_MAX / 2), TempoMap::Saturated);
    // A tempo of 0 stops the clock.
    TempoMap stopped;
    stopped.change(0, 0);
    EXPECT_EQ(stopped.scaledTime(INT64_MAX), 0);
}
