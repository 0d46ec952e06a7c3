// Which events a handset never hears, told from their bytes.
#include "slim/slim_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {
bool silentMeta(const Bytes& event) {
    return isSilentMeta(event.data(), static_cast<int32_t>(event.size()));
}
bool isDataOnly(const Bytes& event) {
    return carriesDataOnly(event.data(), static_cast<int32_t>(event.size()));
}
bool endsMessage(const Bytes& event) {
    return endsSysExMessage(event.data(), static_cast<int32_t>(event.size()));
}
}  // namespace

TEST(SilentMeta, TextsNamesLyricsMarkersCuesAndSequencerEventsOnly) {
    for (uint8_t type : Bytes{0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x7F})
        EXPECT_TRUE(silentMeta({0xFF, type, 0x01, 0x41})) << int(type);
    // The copyright notice, the tune's timing and layout, and types of no known meaning stay.
    for (uint8_t type : Bytes{0x00, 0x02, 0x08, 0x20, 0x21, 0x2F, 0x51, 0x54, 0x58, 0x59, 0x7E})
        EXPECT_FALSE(silentMeta({0xFF, type, 0x00})) << int(type);
    EXPECT_FALSE(silentMeta({0xFF}));
    EXPECT_FALSE(silentMeta({0xF0, 0x01, 0x01}));
}

TEST(SysExMessageEnd, IsAnF7AsTheLastDataByte) {
    EXPECT_TRUE(endsMessage({0xF0, 0x03, 0x43, 0x10, 0xF7}));
    EXPECT_TRUE(endsMessage({0xF7, 0x02, 0x01, 0xF7}));
    EXPECT_FALSE(endsMessage({0xF0, 0x02, 0x43, 0x10}));
    EXPECT_FALSE(endsMessage({0xF7, 0x00}));
}

TEST(SysExDataOnly, IsNoByteOf80OrMoreButALastF7) {
    EXPECT_TRUE(isDataOnly({0xF0, 0x03, 0x43, 0x10, 0xF7}));
    EXPECT_TRUE(isDataOnly({0xF7, 0x02, 0x01, 0x02}));
    EXPECT_TRUE(isDataOnly({0xF7, 0x00}));
    EXPECT_FALSE(isDataOnly({0xF0, 0x04, 0x43, 0x90, 0x3C, 0xF7}));
    EXPECT_FALSE(isDataOnly({0xF0, 0x03, 0x43, 0xF7, 0x10}));
}
