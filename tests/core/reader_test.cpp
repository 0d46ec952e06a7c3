#include <gtest/gtest.h>

#include "mtrk.h"
#include "test_support.h"

TEST(TrackReader, RunningStatusIsResolved) {
    const auto events = decodeBody({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], (DecodedEvent{96, EVENT_CHANNEL, {0x90, 0x3C, 0x00}}));
}
