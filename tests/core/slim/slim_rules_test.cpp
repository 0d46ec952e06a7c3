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
bool endsTrack(const Bytes& event) {
    return endsTrackOnAHandset(event.data(), static_cast<int32_t>(event.size()));
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

TEST(SystemMessageLength, IsAnotherOnAHandsetForSongPositionTheUndefinedAndTheRealTimeOnes) {
    // A handset reads F2 with two data bytes, F4 to F6 and F8 to FE with none.
    for (int status : {0xF2, 0xF4, 0xF5, 0xF6, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE})
        EXPECT_TRUE(readsAtAnotherLength(static_cast<uint8_t>(status))) << std::hex << status;
    // The time code quarter frame and the song select have one on both; SysEx,
    // meta events and channel messages are read alike.
    for (int status : {0xF1, 0xF3, 0xF0, 0xF7, 0xFF, 0x80, 0x90, 0xC0, 0xEF})
        EXPECT_FALSE(readsAtAnotherLength(static_cast<uint8_t>(status))) << std::hex << status;
}

TEST(HandsetTrackEnd, IsAnEndOfTrackOfAnyLength) {
    EXPECT_TRUE(endsTrack({0xFF, 0x2F, 0x00}));
    EXPECT_TRUE(endsTrack({0xFF, 0x2F, 0x01, 0x00}));
    EXPECT_TRUE(endsTrack({0xFF, 0x2F, 0x80, 0x00}));
    EXPECT_FALSE(endsTrack({0xFF, 0x2E, 0x00}));
    EXPECT_FALSE(endsTrack({0xF0, 0x2F, 0x00}));
    EXPECT_FALSE(endsTrack({0xFF}));
}
