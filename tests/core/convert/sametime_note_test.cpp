#include <gtest/gtest.h>

#include "convert/midi_sametime_note.h"
#include "smf/midi_track.h"
#include "test_support.h"

namespace {
struct Note {
    int32_t delta;
    Bytes bytes;
};

// Adds the notes, flushes into a fresh mode-0 builder and returns its body.
Bytes flushed(MIDISametimeNote& group, const std::vector<Note>& notes, int32_t& groupDelta) {
    for (const Note& note : notes)
        EXPECT_NE(group.add(note.delta, note.bytes.data(), static_cast<int32_t>(note.bytes.size())), 0);
    MIDITrack builder;
    EXPECT_EQ(builder.init(1000), 1);
    groupDelta = group.flush(builder);
    return Bytes(builder.data + 8, builder.data + builder.length);
}

Bytes flushed(const std::vector<Note>& notes) {
    MIDISametimeNote group;
    int32_t groupDelta = 0;
    return flushed(group, notes, groupDelta);
}
}  // namespace

TEST(SametimeNoteFlush, ReleasesLeaveFirstAndOnlyTheFirstMessageCarriesTheDelta) {
    MIDISametimeNote group;
    int32_t groupDelta = 0;
    EXPECT_EQ(flushed(group, {{120, {0x90, 0x3C, 0x64}}, {0, {0x80, 0x40, 0x00}}, {0, {0x90, 0x43, 0x64}}},
                      groupDelta),
              Bytes({0x78, 0x80, 0x40, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x00, 0x90, 0x43, 0x64}));
    EXPECT_EQ(groupDelta, 120);
    EXPECT_TRUE(group.isEmpty());
    EXPECT_EQ(group.groupDelta, 0);
}

TEST(SametimeNoteFlush, ANoteOnWithVelocityZeroIsARelease) {
    EXPECT_EQ(flushed({{0, {0x90, 0x3C, 0x64}}, {0, {0x90, 0x3C, 0x00}}}),
              Bytes({0x00, 0x90, 0x3C, 0x00, 0x00, 0x90, 0x3C, 0x64}));
}

TEST(SametimeNoteFlush, StartsAndReleasesKeepTheirArrivalOrderAmongThemselves) {
    EXPECT_EQ(flushed({{0, {0x90, 67, 0x64}},
                       {0, {0x81, 50, 0x40}},
                       {0, {0x90, 60, 0x64}},
                       {0, {0x80, 48, 0x40}},
                       {0, {0x90, 64, 0x64}}}),
              Bytes({0x00, 0x81, 50,   0x40, 0x00, 0x80, 48,   0x40, 0x00, 0x90,
                     67,   0x64, 0x00, 0x90, 60,   0x64, 0x00, 0x90, 64,   0x64}));
}

TEST(SametimeNoteFlush, AnEmptyGroupWritesNothing) {
    MIDISametimeNote group;
    int32_t groupDelta = -5;
    EXPECT_EQ(flushed(group, {}, groupDelta), Bytes());
    EXPECT_EQ(groupDelta, 0);
}

TEST(SametimeNoteFlush, AnAppendThatFailsIsReported) {
    MIDISametimeNote group;
    const uint8_t start[3] = {0x90, 0x3C, 0x64};
    for (int i = 0; i < 8; ++i) group.add(0, start, 3);
    MIDITrack builder;
    ASSERT_EQ(builder.init(1), 1);  // room for 9 body bytes: two notes of four
    EXPECT_EQ(group.flush(builder), SametimeFlushFailed);
    EXPECT_TRUE(group.isEmpty());
    // As a result: the conversion's message for a full track.
    for (int i = 0; i < 8; ++i) group.add(0, start, 3);
    ASSERT_EQ(builder.init(1), 1);
    int32_t written = 0;
    EXPECT_STREQ(group.flushTo(builder, written).message(), "Alloc error");
}

TEST(SametimeNoteAdd, RefusesWhatIsNotANoteMessageOrDoesNotFit) {
    MIDISametimeNote group;
    const uint8_t control[3] = {0xB0, 0x07, 0x64};
    const uint8_t start[3] = {0x90, 0x3C, 0x64};
    EXPECT_EQ(group.add(10, control, 3), 0);
    EXPECT_EQ(group.add(10, start, 2), 0);
    EXPECT_TRUE(group.isEmpty());
    EXPECT_EQ(group.groupDelta, 0);
    for (int i = 1; i <= MaxSametimeNotes; ++i) EXPECT_EQ(group.add(0, start, 3), i);
    EXPECT_TRUE(group.isFull());
    EXPECT_EQ(group.add(7, start, 3), 0);
    EXPECT_EQ(group.noteCount, MaxSametimeNotes);
    EXPECT_EQ(group.groupDelta, 0);
    // The results name the two refusals apart.
    EXPECT_STREQ(group.take(0, start, 3).message(), "the group is full");
    EXPECT_STREQ(MIDISametimeNote().take(0, control, 3).message(), "not a note message");
}

TEST(SametimeNoteAdd, TheGroupTakesTheLargestDeltaAndCanHandItOn) {
    MIDISametimeNote group;
    const uint8_t start[3] = {0x90, 0x3C, 0x64};
    group.add(0, start, 3);
    EXPECT_EQ(group.groupDelta, 0);
    group.add(30, start, 3);
    group.add(-4, start, 3);
    EXPECT_EQ(group.groupDelta, 30);
    EXPECT_EQ(group.takeDelta(), 30);
    EXPECT_EQ(group.groupDelta, 0);
    EXPECT_EQ(group.noteCount, 3);
}
