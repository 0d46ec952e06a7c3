// Where a handset reads a track's events otherwise than the track reader:
// running status it does not hold, status bytes inside SysEx events, and
// packet data read under a channel status.
#include "playing/handset_reading.h"

#include <gtest/gtest.h>

#include <vector>

#include "playing/played_events.h"
#include "test_support.h"

namespace {
const Bytes End = {0x00, 0xFF, 0x2F, 0x00};

bool readOtherwise(const std::vector<Bytes>& bodies) {
    std::vector<Bytes> ended;
    for (const Bytes& body : bodies) ended.push_back(concat({body, End}));
    const Bytes file = smfFile(1, 96, ended);
    PlayedEvents line;
    EXPECT_TRUE(line.read(file.data(), file.size()));
    return line.readOtherwise;
}

bool endsTrack(const Bytes& event) {
    return endsTrackOnAHandset(event.data(), static_cast<int32_t>(event.size()));
}
}  // namespace

TEST(HandsetReading, RunningStatusIsSharedAfterAChannelMessageAndAcrossMetaEvents) {
    EXPECT_FALSE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x10, 0x3C, 0x00}}));
    EXPECT_FALSE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x01, 'a', 0x10, 0x3C, 0x00}}));
    // A handset feeds a packet's bytes to its reading of messages: real-time ones leave it as it was.
    EXPECT_FALSE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF7, 0x01, 0xF8, 0x10, 0x3C, 0x00}}));
    // Explicit statuses after SysEx events and at a track's start.
    EXPECT_FALSE(readOtherwise(
        {{0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00, 0x90, 0x3C, 0x64}, {0x00, 0x91, 0x40, 0x64}}));
}

TEST(HandsetReading, NoRunningStatusAtATracksStartOrAfterASysExEvent) {
    // The reader carries 90 over from the first track; a handset starts each without one.
    EXPECT_TRUE(readOtherwise({{0x00, 0x90, 0x3C, 0x64}, {0x00, 0x40, 0x64}}));
    // A data byte where no status was ever known: the reader makes it a note-off.
    EXPECT_TRUE(readOtherwise({{0x00, 0x3C, 0x40}}));
    EXPECT_TRUE(
        readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x10, 0x3C, 0x00}}));
    // The time code quarter frame ends running status on a handset.
    EXPECT_TRUE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF1, 0x10, 0x10, 0x3C}}));
}

TEST(HandsetReading, StatusBytesInsideASysExEventAreStatusesToAHandset) {
    // A whole note inside leaves 90 as the running status, as the reader has it.
    EXPECT_FALSE(readOtherwise(
        {{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x04, 0x43, 0x90, 0x3E, 0x64, 0x10, 0x3C, 0x00}}));
    // Another status inside, or a note begun there, and the next data is read otherwise.
    EXPECT_TRUE(readOtherwise(
        {{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x04, 0x43, 0x91, 0x3E, 0x64, 0x10, 0x3C, 0x00}}));
    EXPECT_TRUE(
        readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF0, 0x03, 0x43, 0x90, 0x3E, 0x10, 0x3C, 0x00}}));
    // A status byte among a channel message's data.
    EXPECT_TRUE(readOtherwise({{0x00, 0xE9, 0xE9, 0xE9}}));
}

TEST(HandsetReading, APacketsDataContinuesAnOpenMessageOrIsAChannelMessagesData) {
    const Bytes open = {0x00, 0xF0, 0x02, 0x43, 0x10};
    EXPECT_FALSE(readOtherwise({concat({open, {0x00, 0xF7, 0x02, 0x11, 0xF7}})}));
    EXPECT_FALSE(readOtherwise({concat({open, {0x00, 0xFF, 0x01, 0x00, 0x00, 0xF7, 0x02, 0x11, 0xF7}})}));
    // A packet that begins with a status, real-time bytes first or not.
    EXPECT_FALSE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF7, 0x03, 0x91, 0x40, 0x64}}));
    EXPECT_FALSE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF7, 0x04, 0xF8, 0x91, 0x40, 0x64}}));
    // After a channel message, a closed message or a track's start, its data is no SysEx data.
    EXPECT_TRUE(readOtherwise({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF7, 0x02, 0x3E, 0x64}}));
    EXPECT_TRUE(readOtherwise({concat({open, {0x00, 0xF7, 0x01, 0xF7, 0x00, 0xF7, 0x01, 0x11}})}));
    EXPECT_TRUE(readOtherwise({{0x00, 0xF7, 0x01, 0x11}}));
}

TEST(HandsetReading, AQuantityWhoseFourthByteHasItsTopBitGoesOnOnAHandset) {
    // The reader ends each at its fourth byte: a delta time, a meta event's
    // and a SysEx event's length.
    EXPECT_TRUE(readOtherwise({{0x80, 0x80, 0x80, 0x80, 0x90, 0x3C, 0x64}}));
    EXPECT_TRUE(readOtherwise({{0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x64}}));
    EXPECT_TRUE(readOtherwise({{0x00, 0xF0, 0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x64}}));
    // Four bytes that end as a handset ends them, and longer forms of small values.
    EXPECT_FALSE(readOtherwise({{0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x64}}));
    EXPECT_FALSE(readOtherwise({{0x80, 0x80, 0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x80, 0x01, 'a'}}));
}

TEST(HandsetReading, WhatFollowsATracksEndIsNeverRead) {
    EXPECT_FALSE(readOtherwise({concat({{0x00, 0x90, 0x3C, 0x64}, End, {0x00, 0xF7, 0x01, 0x11}})}));
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
