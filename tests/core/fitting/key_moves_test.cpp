// The key-range rule of the fit, on tunes built byte by byte: what it moves,
// what it leaves out, and that the check and an independent pairing agree.
#include "fitting/key_moves.h"

#include <gtest/gtest.h>

#include "written_notes.h"

namespace {
using Lines = std::vector<std::string>;
using Notes = std::vector<WrittenNote>;

HandsetProfile rangeProfile(int lowest, int highest) {
    HandsetProfile profile;
    profile.name = "p";
    profile.keyRange = KeyRange{lowest, highest};
    return profile;
}

Bytes on(int channel, int key) {
    return {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), 0x64};
}
Bytes off(int channel, int key) {
    return {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0x40};
}

// Notes of channel 0 given as key, start and end, one after another or not.
Bytes tuneOf(const std::vector<WrittenNote>& notes) {
    std::vector<TickedEvent> events;
    for (const WrittenNote& note : notes) {
        events.push_back({static_cast<int32_t>(note.on), on(note.channel, note.key)});
        events.push_back({static_cast<int32_t>(note.off), off(note.channel, note.key)});
    }
    return smfFile(0, 480, {trackBodyOf(events)});
}

FittedFile movedInto(const Bytes& file, int lowest, int highest) {
    return fitted(file, rangeProfile(lowest, highest), moveKeysIntoRange);
}

std::string moved(int channel, int count, int lowest, int highest, int leftOut) {
    return "-> Fit [p]: ch" + std::to_string(channel) + ": " + std::to_string(count) +
           " notes moved by octaves into " + std::to_string(lowest) + "-" + std::to_string(highest) + ", " +
           std::to_string(leftOut) + " left out";
}

// The events of a tune as bytes at their ticks, in playing order.
std::vector<std::pair<int64_t, Bytes>> eventsOf(const Bytes& file) {
    FitTune tune;
    EXPECT_TRUE(tune.read(file.data(), file.size()));
    std::vector<std::pair<int64_t, Bytes>> events;
    for (const FitEvent& event : tune.events)
        events.emplace_back(event.tick, Bytes(tune.bytesOf(event), tune.bytesOf(event) + event.length));
    return events;
}
}  // namespace

TEST(KeyMoves, TheRangesEndsStayAndTheKeysJustOutsideMoveAnOctave) {
    const Bytes file =
        tuneOf({{0, 48, 0, 10}, {0, 72, 10, 20}, {0, 47, 20, 30}, {0, 73, 30, 40}, {0, 25, 40, 50}});
    const FittedFile fit = movedInto(file, 48, 72);
    EXPECT_EQ(fit.changes, Lines{moved(0, 3, 48, 72, 0)});
    // 25 is two octaves below: the nearest octave inside is 49.
    EXPECT_EQ(notesOf(fit.bytes),
              (Notes{{0, 48, 0, 10}, {0, 49, 40, 50}, {0, 59, 20, 30}, {0, 61, 30, 40}, {0, 72, 10, 20}}));
    EXPECT_EQ(fit.findings, Lines{});
}

TEST(KeyMoves, AKeyStillSoundingSendsTheNoteAnOctaveFurtherOrLeavesItOut) {
    // 36 would land on 48, held: it goes to 60. In 48-59 there is no further
    // octave: it is left out, with its note-off and its key pressure.
    const Bytes file = smfFile(
        0, 480,
        {trackBodyOf(
            {{0, on(0, 48)}, {10, on(0, 36)}, {15, {0xA0, 36, 0x30}}, {20, off(0, 36)}, {100, off(0, 48)}})});
    const FittedFile further = movedInto(file, 48, 72);
    EXPECT_EQ(further.changes, Lines{moved(0, 1, 48, 72, 0)});
    EXPECT_EQ(notesOf(further.bytes), (Notes{{0, 48, 0, 100}, {0, 60, 10, 20}}));
    EXPECT_EQ(eventsOf(further.bytes)[2], (std::pair<int64_t, Bytes>{15, {0xA0, 60, 0x30}}));
    EXPECT_EQ(further.findings, Lines{});

    const FittedFile leftOut = movedInto(file, 48, 59);
    EXPECT_EQ(leftOut.changes, Lines{moved(0, 0, 48, 59, 1)});
    EXPECT_EQ(notesOf(leftOut.bytes), (Notes{{0, 48, 0, 100}}));
    EXPECT_EQ(eventsOf(leftOut.bytes).size(), 3u);  // the note, its note-off and the End of Track
    EXPECT_EQ(leftOut.findings, Lines{});

    // Held as well, the octave further would be struck again: left out too.
    const Bytes bothHeld = smfFile(0, 480,
                                   {trackBodyOf({{0, on(0, 48)},
                                                 {0, on(0, 60)},
                                                 {10, on(0, 36)},
                                                 {20, off(0, 36)},
                                                 {100, off(0, 48)},
                                                 {100, off(0, 60)}})});
    const FittedFile bothLeftOut = movedInto(bothHeld, 48, 72);
    EXPECT_EQ(bothLeftOut.changes, Lines{moved(0, 0, 48, 72, 1)});
    EXPECT_EQ(notesOf(bothLeftOut.bytes), (Notes{{0, 48, 0, 100}, {0, 60, 0, 100}}));
}

TEST(KeyMoves, ANoteNoOctaveBringsInsideStaysAFinding) {
    // 60-65 takes 50 as 62; 54 is between 42 and 66, neither inside.
    const Bytes unmovable = tuneOf({{0, 54, 0, 10}});
    const FittedFile alone = movedInto(unmovable, 60, 65);
    EXPECT_EQ(alone.changes, Lines{});
    EXPECT_EQ(eventsOf(alone.bytes), eventsOf(unmovable));
    EXPECT_EQ(
        alone.findings,
        Lines{"-> Handset check [p]: keys outside 60-65 on ch0: 1 note, first key 54 at 0:00.000 (bar 1 beat "
              "1, track 0 tick 0)"});

    const FittedFile both = movedInto(tuneOf({{0, 54, 0, 10}, {0, 50, 10, 20}}), 60, 65);
    EXPECT_EQ(both.changes, Lines{moved(0, 1, 60, 65, 0)});
    EXPECT_EQ(notesOf(both.bytes), (Notes{{0, 54, 0, 10}, {0, 62, 10, 20}}));
    EXPECT_EQ(both.findings, alone.findings);
}

TEST(KeyMoves, DrumsAndTunesInsideAndProfilesWithoutARangeAreLeftAlone) {
    const Bytes drums = tuneOf({{9, 20, 0, 10}, {9, 100, 10, 20}});
    EXPECT_EQ(movedInto(drums, 48, 72).changes, Lines{});
    EXPECT_EQ(eventsOf(movedInto(drums, 48, 72).bytes), eventsOf(drums));
    const Bytes inside = tuneOf({{0, 48, 0, 10}, {1, 72, 0, 10}});
    EXPECT_EQ(eventsOf(movedInto(inside, 48, 72).bytes), eventsOf(inside));

    HandsetProfile withoutRange;
    withoutRange.name = "p";
    const Bytes outside = tuneOf({{0, 20, 0, 10}});
    const FittedFile fit = fitted(outside, withoutRange, moveKeysIntoRange);
    EXPECT_EQ(fit.changes, Lines{});
    EXPECT_EQ(eventsOf(fit.bytes), eventsOf(outside));
}

TEST(KeyMoves, AChordsNoteOffsFollowEachNoteAndOneNoteOffEndsEveryLandedKey) {
    // A chord of 36, 40, 43 on channel 0 moves up; on channel 2, 84 is
    // struck again while it sounds: the first lands on 72, the second
    // further down on 60, and the one note-off ends both.
    const Bytes file = smfFile(0, 480,
                               {trackBodyOf({{0, on(0, 36)},
                                             {0, on(0, 40)},
                                             {0, on(0, 43)},
                                             {0, on(2, 84)},
                                             {5, on(2, 84)},
                                             {20, off(0, 36)},
                                             {20, off(0, 40)},
                                             {20, off(0, 43)},
                                             {20, off(2, 84)}})});
    const FittedFile fit = movedInto(file, 48, 72);
    EXPECT_EQ(fit.changes, (Lines{moved(0, 3, 48, 72, 0), moved(2, 2, 48, 72, 0)}));
    EXPECT_EQ(notesOf(fit.bytes),
              (Notes{{0, 48, 0, 20}, {0, 52, 0, 20}, {0, 55, 0, 20}, {2, 60, 5, 20}, {2, 72, 0, 20}}));
    EXPECT_EQ(fit.findings, Lines{});
}

TEST(KeyMoves, ANoteOffOfANoteAlreadyEndedOnItsLandedKeyIsLeftOut) {
    // 36 lands on 48, where a note of 48 struck at 5 and ended at 10 ends it
    // too; its own note-off at 30 would cut the 48 struck at 15.
    const Bytes file = smfFile(0, 480,
                               {trackBodyOf({{0, on(0, 36)},
                                             {5, on(0, 48)},
                                             {10, off(0, 48)},
                                             {15, on(0, 48)},
                                             {30, off(0, 36)},
                                             {40, off(0, 48)}})});
    const FittedFile fit = movedInto(file, 48, 72);
    EXPECT_EQ(fit.changes, Lines{moved(0, 1, 48, 72, 0)});
    EXPECT_EQ(notesOf(fit.bytes), (Notes{{0, 48, 0, 10}, {0, 48, 5, 10}, {0, 48, 15, 40}}));
}
