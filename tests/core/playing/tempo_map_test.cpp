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

// The inverse of the scaled time: the first tick at which it reaches a value.
TEST(TempoMap, TheEarliestTickReachingATimeIsTheFirstWholeTickThere) {
    TempoMap clock;
    clock.change(100, 3);
    EXPECT_EQ(clock.earliestTickReaching(0), 100);
    EXPECT_EQ(clock.earliestTickReaching(clock.scaledTime(100)), 100);
    const int64_t start = clock.scaledTime(100);
    for (int64_t rest = 1; rest <= 7; ++rest) {
        const int64_t tick = clock.earliestTickReaching(start + rest);
        EXPECT_GE(clock.scaledTime(tick), start + rest);
        EXPECT_LT(clock.scaledTime(tick - 1), start + rest) << rest;
    }
    EXPECT_EQ(clock.earliestTickReaching(start + 6), 102);
    EXPECT_EQ(clock.earliestTickReaching(start + 7), 103);
    // A stopped clock never gets there, nor one past the last tick.
    clock.change(200, 0);
    EXPECT_EQ(clock.earliestTickReaching(clock.scaledTime(200) + 1), TempoMap::NeverReached);
    TempoMap slowest;
    slowest.change(0, 0);
    slowest.change(1000, 1);
    EXPECT_EQ(slowest.earliestTickReaching(TempoMap::Saturated), TempoMap::NeverReached);
}
