// The min-note-ms rule of the fit, on tunes of division 500, where a tick is
// a millisecond until a Set Tempo says otherwise.
#include "fitting/note_lengthening.h"

#include <gtest/gtest.h>

#include "written_notes.h"

namespace {
using Lines = std::vector<std::string>;
using Notes = std::vector<WrittenNote>;
constexpr int Division = 500;

HandsetProfile minimumProfile(int32_t milliseconds) {
    HandsetProfile profile;
    profile.name = "p";
    profile.minNoteMs = milliseconds;
    return profile;
}

const Bytes On = {0x90, 60, 0x64};
const Bytes Off = {0x80, 60, 0x40};
const Bytes OffByVelocity0 = {0x90, 60, 0x00};

FittedFile lengthened(const std::vector<Bytes>& tracks, int32_t milliseconds = 10) {
    return fitted(smfFile(1, Division, tracks), minimumProfile(milliseconds), lengthenShortNotes);
}

Lines lengthenedLine(int notes) {
    return {"-> Fit [p]: " + std::to_string(notes) + " notes lengthened to 10 ms"};
}

std::string shortFinding(int notes, const std::string& place) {
    return "-> Handset check [p]: notes shorter than 10 ms: " + std::to_string(notes) + ", first at " + place;
}
}  // namespace

TEST(NoteLengthening, ANoteAtTheMinimumStaysAndOneATickShorterIsLengthened) {
    const FittedFile fit = lengthened(
        {trackBodyOf({{0, On}, {10, Off}, {20, On}, {29, OffByVelocity0}, {40, {0x90, 62, 0x64}}})});
    EXPECT_EQ(fit.changes, lengthenedLine(1));
    EXPECT_EQ(notesOf(fit.bytes), (Notes{{0, 60, 0, 10}, {0, 60, 20, 30}, {0, 62, 40, -1}}));
    EXPECT_EQ(fit.findings, Lines{});
}

TEST(NoteLengthening, ATuneWithoutShortNotesOrAProfileWithoutAMinimumIsLeftAlone) {
    const Bytes track = trackBodyOf({{0, On}, {5, Off}});
    EXPECT_EQ(lengthened({track}, 5).changes, Lines{});
    EXPECT_EQ(notesOf(lengthened({track}, 5).bytes), (Notes{{0, 60, 0, 5}}));
    HandsetProfile noMinimum;
    noMinimum.name = "p";
    const FittedFile fit = fitted(smfFile(0, Division, {track}), noMinimum, lengthenShortNotes);
    EXPECT_EQ(fit.changes, Lines{});
    EXPECT_EQ(notesOf(fit.bytes), (Notes{{0, 60, 0, 5}}));
}

TEST(NoteLengthening, TheNextNoteOfTheKeyBoundsTheNoteOff) {
    // Struck again at 8, the note cannot reach 10; at 10 on the same track
    // the note-off still comes first.
    const FittedFile early = lengthened({trackBodyOf({{0, On}, {5, Off}, {8, On}, {30, Off}})});
    EXPECT_EQ(early.changes, Lines{});
    EXPECT_EQ(early.findings, Lines{shortFinding(1, "0:00.000 (bar 1 beat 1, track 0 tick 0)")});
    const FittedFile atIt = lengthened({trackBodyOf({{0, On}, {5, Off}, {10, On}, {30, Off}})});
    EXPECT_EQ(atIt.changes, lengthenedLine(1));
    EXPECT_EQ(notesOf(atIt.bytes), (Notes{{0, 60, 0, 10}, {0, 60, 10, 30}}));
    EXPECT_EQ(atIt.findings, Lines{});
    // Another track's note-off may go to that tick only from a lower track.
    const Bytes note = trackBodyOf({{0, On}, {5, Off}});
    const Bytes next = trackBodyOf({{10, On}, {30, Off}});
    const FittedFile lower = lengthened({note, next});
    EXPECT_EQ(lower.changes, lengthenedLine(1));
    EXPECT_EQ(notesOf(lower.bytes), (Notes{{0, 60, 0, 10}, {0, 60, 10, 30}}));
    const FittedFile higher = lengthened({next, note});
    EXPECT_EQ(higher.changes, Lines{});
    EXPECT_EQ(notesOf(higher.bytes), (Notes{{0, 60, 0, 5}, {0, 60, 10, 30}}));
    EXPECT_EQ(higher.findings, Lines{shortFinding(1, "0:00.000 (bar 1 beat 1, track 1 tick 0)")});
    // A stray note-off of the key would end the lengthened note: it bounds too.
    const FittedFile stray = lengthened({trackBodyOf({{0, On}, {5, Off}, {8, Off}})});
    EXPECT_EQ(stray.changes, Lines{});
}

TEST(NoteLengthening, ANoteOffEndingTwoNotesGoesWhereTheLaterReachesTheMinimum) {
    // Struck at 0 and again at 4, both end at 8: the second needs 14.
    const FittedFile both = lengthened({trackBodyOf({{0, On}, {4, On}, {8, Off}})});
    EXPECT_EQ(both.changes, lengthenedLine(2));
    EXPECT_EQ(notesOf(both.bytes), (Notes{{0, 60, 0, 14}, {0, 60, 4, 14}}));
    EXPECT_EQ(both.findings, Lines{});
    // Struck a third time at 12: only the first can reach the minimum.
    const FittedFile first = lengthened({trackBodyOf({{0, On}, {4, On}, {8, Off}, {12, On}, {40, Off}})});
    EXPECT_EQ(first.changes, lengthenedLine(1));
    EXPECT_EQ(notesOf(first.bytes), (Notes{{0, 60, 0, 10}, {0, 60, 4, 10}, {0, 60, 12, 40}}));
    EXPECT_EQ(first.findings, Lines{shortFinding(1, "0:00.004 (bar 1 beat 1, track 0 tick 4)")});
}

TEST(NoteLengthening, TheLengthIsMeasuredAcrossALaterTempo) {
    // From tick 5 on another track a tick is half a millisecond: the note
    // from 0 has 5 ms at 5 and reaches 10 ms at 15, not at 10.
    const Bytes tempo = trackBodyOf({{5, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}}});
    const FittedFile fit = lengthened({tempo, trackBodyOf({{0, On}, {6, Off}, {40, {0x90, 62, 0x64}}})});
    EXPECT_EQ(fit.changes, lengthenedLine(1));
    EXPECT_EQ(notesOf(fit.bytes), (Notes{{0, 60, 0, 15}, {0, 62, 40, -1}}));
    EXPECT_EQ(fit.findings, Lines{});
    // Two milliseconds a tick from 8: 6.5 ms there, 10.5 ms at 10.
    const Bytes tempos =
        trackBodyOf({{5, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}}, {8, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}}});
    const FittedFile slower = lengthened({tempos, trackBodyOf({{0, On}, {6, Off}, {40, {0x90, 62, 0x64}}})});
    EXPECT_EQ(notesOf(slower.bytes), (Notes{{0, 60, 0, 10}, {0, 62, 40, -1}}));
    EXPECT_EQ(slower.findings, Lines{});
}
