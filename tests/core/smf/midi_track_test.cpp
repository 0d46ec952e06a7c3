#include "smf/midi_track.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "smf/output_sink.h"
#include "test_support.h"

namespace {
Bytes body(const MIDITrack& track) {
    return Bytes(track.data + 8, track.data + track.length);
}
Bytes lengthField(const MIDITrack& track) {
    return Bytes(track.data + 4, track.data + 8);
}

struct Event {
    int32_t delta;
    Bytes bytes;
};

MIDITrack& build(MIDITrack& track, int mode, std::vector<Event>& events) {
    track.runningStatusMode = mode;
    EXPECT_EQ(track.init(100), 1);
    for (Event& e : events)
        EXPECT_EQ(track.append(e.delta, e.bytes.data(), static_cast<int32_t>(e.bytes.size())), 1);
    return track;
}
}  // namespace

TEST(MIDITrack, InitStartsAnEmptyChunk) {
    MIDITrack track;
    EXPECT_EQ(track.init(0), 0);
    ASSERT_EQ(track.init(100), 1);
    EXPECT_EQ(Bytes(track.data, track.data + 8), Bytes({'M', 'T', 'r', 'k', 0, 0, 0, 0}));
    EXPECT_EQ(track.length, 8);
    EXPECT_EQ(track.capacity, 116);
}

TEST(MIDITrack, ModeZeroWritesEveryStatus) {
    MIDITrack track;
    std::vector<Event> events = {{0, {0x90, 0x3C, 0x64}}, {200, {0x90, 0x3C, 0x00}}};
    build(track, 0, events);
    EXPECT_EQ(body(track), Bytes({0x00, 0x90, 0x3C, 0x64, 0x81, 0x48, 0x90, 0x3C, 0x00}));
    EXPECT_EQ(track.lastStatus, 0);
}

TEST(MIDITrack, ModeOneOmitsRepeatedStatusUntilAMetaEvent) {
    MIDITrack track;
    std::vector<Event> events = {{0, {0x90, 0x3C, 0x64}}, {96, {0x90, 0x3C, 0x00}}};
    build(track, 1, events);
    EXPECT_EQ(body(track), Bytes({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00}));
    EXPECT_EQ(lengthField(track), Bytes({0, 0, 0, 7}));

    events = {
        {0, {0x90, 0x3C, 0x64}}, {0, {0xFF, 0x01, 0x00}}, {0, {0x90, 0x3E, 0x64}}, {0, {0x80, 0x3E, 0x40}}};
    build(track, 1, events);
    EXPECT_EQ(body(track), Bytes({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x90, 0x3E, 0x64,
                                  0x00, 0x80, 0x3E, 0x40}));
}

TEST(MIDITrack, ModeTwoTurnsANoteOffAfterANoteOnOfItsChannelIntoVelocityZero) {
    MIDITrack track;
    std::vector<Event> events = {{0, {0x90, 0x3C, 0x64}}, {96, {0x80, 0x3C, 0x40}}, {0, {0x81, 0x3C, 0x40}}};
    build(track, 2, events);
    EXPECT_EQ(body(track), Bytes({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0x81, 0x3C, 0x40}));
    EXPECT_EQ(events[1].bytes, Bytes({0x80, 0x3C, 0x00}));  // the caller's event is changed
    EXPECT_EQ(events[2].bytes, Bytes({0x81, 0x3C, 0x40}));
    EXPECT_EQ(track.lastStatus, 0x81);
}

TEST(MIDITrack, AnEventThatDoesNotFitFailsAndKeepsWhatFit) {
    MIDITrack track;
    ASSERT_EQ(track.init(1), 1);
    EXPECT_EQ(track.capacity, 17);
    uint8_t note[] = {0x90, 0x3C, 0x64};
    EXPECT_EQ(track.append(0, note, 3), 1);
    EXPECT_EQ(track.append(0, note, 3), 1);
    EXPECT_EQ(track.length, 16);
    EXPECT_EQ(track.append(0, note, 3), 0);
    EXPECT_EQ(track.length, 17);
    EXPECT_EQ(track.overflow, 1);
    EXPECT_EQ(lengthField(track), Bytes({0, 0, 0, 9}));
}

TEST(MIDITrack, WriteToNeedsAChunkAndASink) {
    MIDITrack track;
    MemoryOutput out;
    EXPECT_EQ(track.writeTo(&out), 0);
    ASSERT_EQ(track.init(10), 1);
    EXPECT_EQ(track.writeTo(nullptr), 0);
    EXPECT_EQ(track.writeTo(&out), 1);
    EXPECT_EQ(out.bytes, Bytes({'M', 'T', 'r', 'k', 0, 0, 0, 0}));
}

TEST(MIDITrack, EachInitStartsWithoutRunningStatus) {
    MIDITrack track;
    std::vector<Event> events = {{0, {0x90, 0x3C, 0x64}}};
    build(track, 1, events);
    build(track, 1, events);
    EXPECT_EQ(body(track), Bytes({0x00, 0x90, 0x3C, 0x64}));
}
