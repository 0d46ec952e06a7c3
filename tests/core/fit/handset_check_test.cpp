// The handset check's rules, each on a file built byte by byte so that its
// answer is known.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_facts.h"
#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "test_support.h"

namespace {
using Lines = std::vector<std::string>;

const Bytes End = {0x00, 0xFF, 0x2F, 0x00};

HandsetProfile profileOf(const std::string& text) {
    std::istringstream stream(text);
    HandsetProfile profile;
    const Result read = parseHandsetProfile(stream, "p", profile);
    EXPECT_TRUE(read.ok()) << read.message();
    return profile;
}

Lines findingsOf(const Bytes& file, const std::string& profile) {
    const FitFacts facts(file.data(), file.size());
    return checkHandsetFit(facts, profileOf(profile)).findings;
}

std::string finding(const std::string& text) {
    return "-> Handset check [p]: " + text;
}

// Channel 0 starts key 60 at 0, key 62 and key 60 again at 240, key 65 at
// 480; channel 1 (track 2) sounds key 64 from 240 to 480, released after
// channel 0's start at 480. After every tick: 1, 3, 3 notes.
const Bytes Chords = {0x00, 0x90, 0x3C, 0x64, 0x81, 0x70, 0x90, 0x3E, 0x64, 0x00, 0x90, 0x3C,
                      0x64, 0x81, 0x70, 0x90, 0x41, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00,
                      0x80, 0x3E, 0x40, 0x00, 0x80, 0x41, 0x40, 0x00, 0xFF, 0x2F, 0x00};
const Bytes Accompaniment = {0x81, 0x70, 0x91, 0x40, 0x64, 0x81, 0x70,
                             0x81, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00};

// A MIP message of channel 0 = 2, channel 1 = 3.
const Bytes MipFirstTrack = {0x00, 0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x00,
                             0x02, 0x01, 0x03, 0xF7, 0x00, 0xFF, 0x2F, 0x00};
}  // namespace

TEST(HandsetCheckVoices, VoicesAreCountedAcrossTracksThroughTheirReleases) {
    // At 480 channel 0 holds key 60 twice (struck again), 62 and 65, and
    // channel 1's key 64, released there, is still in its release.
    const Bytes file = smfFile(1, 480, {End, Chords, Accompaniment});
    EXPECT_EQ(findingsOf(file, "voices = 4"),
              Lines{finding("5 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 1 tick 480), over 4 "
                            "voices; ch0 4, ch1 1")});
    EXPECT_EQ(findingsOf(file, "voices = 5"), Lines{});
}

// One note still in its release and the next: each count in the singular for one.
TEST(HandsetCheckVoices, CountsOfOneTakeTheSingular) {
    const Bytes track =
        trackBodyOf({{0, {0x90, 0x3C, 0x64}}, {10, {0x80, 0x3C, 0x00}}, {10, {0x90, 0x3E, 0x64}}});
    EXPECT_EQ(
        findingsOf(smfFile(0, 480, {track}), "voices = 1"),
        Lines{finding("2 voices at once (1 note) at 0:00.010 (bar 1 beat 1, track 0 tick 10), over 1 voice; "
                      "ch0 2")});
}

TEST(HandsetCheckVoices, AMipMessageMutesTheChannelsAboveTheVoices) {
    const Bytes file = smfFile(1, 480, {MipFirstTrack, Chords, Accompaniment});
    // At 2 voices only channel 0 plays.
    const Lines channel0 = {finding(
        "4 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 1 tick 480), over 2 voices; ch0 4")};
    EXPECT_EQ(findingsOf(file, "voices = 2"), channel0);
    EXPECT_EQ(findingsOf(file, "voices = 2\nmip = required"), channel0);
    // At 3 both play; ignored, the message leaves every channel counted.
    const std::string both = "5 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 1 tick 480), over ";
    EXPECT_EQ(findingsOf(file, "voices = 3"), Lines{finding(both + "3 voices; ch0 4, ch1 1")});
    EXPECT_EQ(findingsOf(file, "voices = 2\nmip = ignored"), Lines{finding(both + "2 voices; ch0 4, ch1 1")});
    // A channel the table does not list is not played at all.
    const Bytes onlyChannel1 = {0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01,
                                0x01, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(1, 480, {onlyChannel1, Chords, Accompaniment}), "voices = 1"), Lines{});
}

TEST(HandsetCheckVoices, AMipMessageAfterTheFirstNoteIsHonouredAlike) {
    // Track 0's notes at tick 0 play before the message in track 1: at 2
    // voices channel 1 (MIP 3) is still muted, at 1 voice both are.
    const Bytes file = smfFile(1, 480, {Chords, MipFirstTrack, Accompaniment});
    EXPECT_EQ(findingsOf(file, "voices = 2"),
              Lines{finding("4 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 0 tick 480), over 2 "
                            "voices; ch0 4")});
    EXPECT_EQ(findingsOf(file, "voices = 3"),
              Lines{finding("5 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 0 tick 480), over 3 "
                            "voices; ch0 4, ch1 1")});
    EXPECT_EQ(findingsOf(file, "voices = 1"), Lines{});
}

TEST(HandsetCheckVoices, Format2TracksPlayTogether) {
    // Track 0: two keys from 240; track 1: two keys from 0; all held to the end.
    const Bytes fromLater = {0x81, 0x70, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes fromStart = {0x00, 0x91, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    const Lines together = {
        finding("4 voices at once (4 notes) at 0:00.250 (bar 1 beat 1, track 0 tick 240), over 1 voice; ch0 "
                "2, ch1 2")};
    EXPECT_EQ(findingsOf(smfFile(2, 480, {fromLater, fromStart}), "voices = 1"), together);
    EXPECT_EQ(findingsOf(smfFile(1, 480, {fromLater, fromStart}), "voices = 1"), together);
}

TEST(HandsetCheckVoices, ThePlaceCountsBarsInTheSource) {
    // The peak is at tick 1440 of the written file, 1.5 s: bar 1 beat 4
    // counted in its 4/4, bar 2 beat 1 in the source's 3/4.
    const Bytes written =
        smfFile(0, 480, {trackBodyOf({{0, {0x90, 0x3C, 0x64}}, {1440, {0x90, 0x3E, 0x64}}})});
    const Bytes source = smfFile(0, 480, {trackBodyOf({{0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}}})});
    const FitFacts facts(written.data(), written.size(), source.data(), source.size());
    EXPECT_EQ(
        checkHandsetFit(facts, profileOf("voices = 1")).findings,
        Lines{finding("2 voices at once (2 notes) at 0:01.500 (bar 2 beat 1, track 0 tick 1440), over 1 "
                      "voice; ch0 2")});
}

TEST(HandsetCheckSize, TheLimitItselfFits) {
    const Bytes file = smfFile(0, 480, {Chords});
    const std::string size = std::to_string(file.size());
    EXPECT_EQ(findingsOf(file, "max-bytes = " + size), Lines{});
    const std::string under = std::to_string(file.size() - 1);
    EXPECT_EQ(findingsOf(file, "max-bytes = " + under), Lines{finding(size + " bytes, over " + under)});
}

TEST(HandsetCheckFormat, OnlyTheListedFormatsFit) {
    EXPECT_EQ(findingsOf(smfFile(2, 480, {Chords, End}), "formats = 0 1"),
              Lines{finding("format 2, not allowed")});
    EXPECT_EQ(findingsOf(smfFile(2, 480, {Chords, End}), "formats = 2"), Lines{});
    EXPECT_EQ(findingsOf(smfFile(0, 480, {Chords}), "formats = 1"), Lines{finding("format 0, not allowed")});
    EXPECT_EQ(findingsOf(smfFile(1, 480, {End, Chords}), "formats = 0 1"), Lines{});
}

TEST(HandsetCheckTempo, OnlyAValueOtherThanTheTempoInForceIsAChange) {
    // Track 0: 600000 at 0 (the first: no change, though not the default),
    // 600000 again at 480, 400000 at 960. Track 1: 400000 again at 1200,
    // 600000 at 1440. Two changes, on one time line.
    const Bytes tempoTrack = {0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x83, 0x60,
                              0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x83, 0x60, 0xFF,
                              0x51, 0x03, 0x06, 0x1A, 0x80, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes laterTempos = {0x89, 0x30, 0xFF, 0x51, 0x03, 0x06, 0x1A, 0x80, 0x81, 0x70,
                               0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = smfFile(1, 480, {tempoTrack, laterTempos});
    EXPECT_EQ(findingsOf(file, "max-tempo-changes = 1"),
              Lines{finding("2 tempo changes, over 1, first at 0:01.200 (bar 1 beat 3, track 0 tick 960)")});
    EXPECT_EQ(findingsOf(file, "max-tempo-changes = 2"), Lines{});
    EXPECT_EQ(findingsOf(smfFile(0, 480, {tempoTrack}), "max-tempo-changes = 0"),
              Lines{finding("1 tempo change, over 0, first at 0:01.200 (bar 1 beat 3, track 0 tick 960)")});
    // The repeats alone change nothing.
    const Bytes repeats = {0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x83, 0x60, 0xFF,
                           0x51, 0x03, 0x09, 0x27, 0xC0, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(0, 480, {repeats}), "max-tempo-changes = 0"), Lines{});
    // In format 2 each track's first Set Tempo starts its own time line.
    EXPECT_EQ(findingsOf(smfFile(2, 480, {tempoTrack, laterTempos}), "max-tempo-changes = 0"),
              Lines{finding("2 tempo changes, over 0, first at 0:01.200 (bar 1 beat 3, track 0 tick 960)")});
}

TEST(HandsetCheckNoteLength, ANoteOf4MsIsShorterThan5) {
    // Division 1000 at the tempo of 500000 that holds before any Set Tempo:
    // a tick is 0.5 ms. Key 60 lasts 8 ticks (4 ms, ended by a note-on of
    // velocity 0), key 62 10 ticks (5 ms).
    const Bytes notes = {0x00, 0x90, 0x3C, 0x64, 0x08, 0x3C, 0x00, 0x00, 0x3E,
                         0x64, 0x0A, 0x80, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(0, 1000, {notes}), "min-note-ms = 5"),
              Lines{finding("notes shorter than 5 ms: 1, first at 0:00.000 (bar 1 beat 1, track 0 tick 0)")});
    EXPECT_EQ(findingsOf(smfFile(0, 1000, {notes}), "min-note-ms = 4"), Lines{});
    // An explicit 500000 in another track measures the same; a faster tempo
    // halves both notes.
    const Bytes tempo500000 = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(1, 1000, {tempo500000, notes}), "min-note-ms = 5"),
              Lines{finding("notes shorter than 5 ms: 1, first at 0:00.000 (bar 1 beat 1, track 1 tick 0)")});
    const Bytes tempo250000 = {0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(1, 1000, {tempo250000, notes}), "min-note-ms = 3"),
              Lines{finding("notes shorter than 3 ms: 2, first at 0:00.000 (bar 1 beat 1, track 1 tick 0)")});
}

TEST(HandsetCheckNoteLength, ATempoChangeInsideANoteCountsFromItsTick) {
    // Key 60 from 0 to 10: 4 ticks at 500000 (2 ms), then 6 at 1000000 (6 ms): 8 ms.
    const Bytes tempos = {0x04, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes note = {0x00, 0x90, 0x3C, 0x64, 0x0A, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(1, 1000, {tempos, note}), "min-note-ms = 8"), Lines{});
    EXPECT_EQ(findingsOf(smfFile(1, 1000, {tempos, note}), "min-note-ms = 9"),
              Lines{finding("notes shorter than 9 ms: 1, first at 0:00.000 (bar 1 beat 1, track 1 tick 0)")});
}

TEST(HandsetCheckNoteLength, EveryNoteOnOfAKeyEndsAtItsFirstRelease) {
    // Key 60 struck at 0 and again at 20, released at 24: the second note
    // lasts 2 ms. A note that never ends has no length, and a division of 0 none at all.
    const Bytes body = {0x00, 0x90, 0x3C, 0x64, 0x14, 0x3C, 0x64, 0x04, 0x3C,
                        0x00, 0x00, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(
        findingsOf(smfFile(0, 1000, {body}), "min-note-ms = 5"),
        Lines{finding("notes shorter than 5 ms: 1, first at 0:00.010 (bar 1 beat 1, track 0 tick 20)")});
    EXPECT_EQ(findingsOf(smfFile(0, 0, {body}), "min-note-ms = 5"), Lines{});
}

TEST(HandsetCheckNoteLength, Format2NotesAtOneTickAreFirstInTheLowerTrack) {
    // Both tracks start a 1 ms note at 10; track 0 after a long note of its own.
    const Bytes later = {0x00, 0x90, 0x3C, 0x64, 0x0A, 0x3C, 0x00, 0x00, 0x3E,
                         0x64, 0x02, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes only = {0x0A, 0x90, 0x40, 0x64, 0x02, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(
        findingsOf(smfFile(2, 1000, {later, only}), "min-note-ms = 2"),
        Lines{finding("notes shorter than 2 ms: 2, first at 0:00.005 (bar 1 beat 1, track 0 tick 10)")});
}

TEST(HandsetCheckKeys, KeysOutsideTheRangeOfEachChannelButTheDrums) {
    // Channel 0: keys 60, 11, 109 (and a release of 11 that starts nothing);
    // channel 9: key 5; channel 3: key 120 at 480.
    const Bytes body = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x0B, 0x64, 0x00, 0x80, 0x0B, 0x40,
                        0x00, 0x90, 0x6D, 0x64, 0x00, 0x99, 0x05, 0x64, 0x83, 0x60, 0x93,
                        0x78, 0x64, 0x00, 0x78, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = smfFile(0, 480, {body});
    EXPECT_EQ(findingsOf(file, "key-range = 12-108"),
              (Lines{finding("keys outside 12-108 on ch0: 2 notes, first key 11 at 0:00.000 (bar 1 beat 1, "
                             "track 0 tick 0)"),
                     finding("keys outside 12-108 on ch3: 1 note, first key 120 at 0:00.500 (bar 1 beat 2, "
                             "track 0 tick 480)")}));
    EXPECT_EQ(findingsOf(file, "key-range = 11-120"), Lines{});
    // The first is the earliest note, not the lowest key: 110 at 0, 10 at 240.
    const Bytes highFirst = {0x00, 0x90, 0x6E, 0x64, 0x81, 0x70, 0x90, 0x0A, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(findingsOf(smfFile(0, 480, {highFirst}), "key-range = 12-108"),
              Lines{finding("keys outside 12-108 on ch0: 2 notes, first key 110 at 0:00.000 (bar 1 beat 1, "
                            "track 0 tick 0)")});
    // Other drum channels: channel 9 is then held to the range, channel 3 not.
    EXPECT_EQ(findingsOf(file, "key-range = 12-108\ndrum-channels = 3"),
              (Lines{finding("keys outside 12-108 on ch0: 2 notes, first key 11 at 0:00.000 (bar 1 beat 1, "
                             "track 0 tick 0)"),
                     finding("keys outside 12-108 on ch9: 1 note, first key 5 at 0:00.000 (bar 1 beat 1, "
                             "track 0 tick 0)")}));
}

TEST(HandsetCheckUnsupported, EachKindIsFoundAndCounted) {
    // Pitch bend twice on channel 0, channel pressure on 1, poly pressure on
    // 2, pan on 3, bank select MSB and LSB on 4, a volume controller (not
    // listed); master volume, master balance and a maker's SysEx, GM
    // System On and a MIP message (neither counted); a text, a track name and a sequencer-
    // specific event, and a tempo (not a text).
    const Bytes body = {
        0x00, 0xE0, 0x00, 0x40, 0x10, 0xE0, 0x10, 0x40, 0x00, 0xD1, 0x30, 0x00, 0xA2, 0x3C, 0x20, 0x00, 0xB3,
        0x0A, 0x40, 0x00, 0xB4, 0x00, 0x01, 0x20, 0xB4, 0x20, 0x02, 0x00, 0xB5, 0x07, 0x64, 0x30, 0xF0, 0x07,
        0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7, 0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x40, 0xF7,
        0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xF0, 0x07,
        0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x01, 0xF7, 0x40, 0xFF, 0x01, 0x01, 0x61, 0x00, 0xFF, 0x03, 0x01, 0x62,
        0x00, 0xFF, 0x7F, 0x01, 0x00, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = smfFile(0, 480, {body});
    const Lines each = {
        finding("pitch bend on ch0, 2 messages, first at 0:00.000 (bar 1 beat 1, track 0 tick 0)"),
        finding("channel pressure on ch1, 1 message, first at 0:00.016 (bar 1 beat 1, track 0 tick 16)"),
        finding("poly pressure on ch2, 1 message, first at 0:00.016 (bar 1 beat 1, track 0 tick 16)"),
        finding("pan on ch3, 1 message, first at 0:00.016 (bar 1 beat 1, track 0 tick 16)"),
        finding("bank select on ch4, 2 messages, first at 0:00.016 (bar 1 beat 1, track 0 tick 16)"),
        finding("master volume, 1 message, first at 0:00.100 (bar 1 beat 1, track 0 tick 96)"),
        finding("sysex, 3 messages, first at 0:00.100 (bar 1 beat 1, track 0 tick 96)"),
        finding("text events, 3 messages, first at 0:00.166 (bar 1 beat 1, track 0 tick 160)"),
    };
    const char* const keys[] = {"pitch-bend",  "channel-pressure", "poly-pressure", "pan",
                                "bank-select", "master-volume",    "sysex",         "text-events"};
    for (size_t k = 0; k < each.size(); ++k)
        EXPECT_EQ(findingsOf(file, std::string("unsupported = ") + keys[k]), Lines{each[k]}) << keys[k];
    // All at once, in the check's order whatever the profile's.
    EXPECT_EQ(findingsOf(file,
                         "unsupported = text-events sysex master-volume bank-select pan poly-pressure "
                         "channel-pressure pitch-bend"),
              each);
    EXPECT_EQ(findingsOf(file, "unsupported ="), Lines{});
}

TEST(HandsetCheckUnsupported, TheFirstIsTheEarliestOfAnyTrack) {
    // Pitch bend on channel 1 at 480 in track 1 and at 240 in track 2, then
    // at 240 in track 3.
    const Bytes at480 = {0x83, 0x60, 0xE1, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes at240 = {0x81, 0x70, 0xE1, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(
        findingsOf(smfFile(1, 480, {End, at480, at240, at240}), "unsupported = pitch-bend"),
        Lines{finding("pitch bend on ch1, 3 messages, first at 0:00.250 (bar 1 beat 1, track 2 tick 240)")});
}

TEST(HandsetCheckUnsupported, ChannelKindsGiveALinePerChannel) {
    const Bytes body = {0x00, 0xE3, 0x00, 0x40, 0x10, 0xE1, 0x00, 0x40,
                        0x00, 0x10, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(
        findingsOf(smfFile(0, 480, {body}), "unsupported = pitch-bend"),
        (Lines{finding("pitch bend on ch1, 2 messages, first at 0:00.016 (bar 1 beat 1, track 0 tick 16)"),
               finding("pitch bend on ch3, 1 message, first at 0:00.000 (bar 1 beat 1, track 0 tick 0)")}));
}

TEST(HandsetCheckDrums, Bank120OutsideTheDrumChannels) {
    // Bank 120 on channels 10 (at 480) and 9; bank 120 by the LSB controller on 2 asks for nothing.
    const Bytes body = {0x83, 0x60, 0xBA, 0x00, 0x78, 0x00, 0xB9, 0x00, 0x78,
                        0x00, 0xB2, 0x20, 0x78, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = smfFile(1, 480, {End, body});
    const Lines onChannel10 = {finding(
        "drums (bank 120) on ch10, not a drum channel, first at 0:00.500 (bar 1 beat 2, track 1 tick 480)")};
    // Checked with the default drum channel even when the profile says nothing.
    EXPECT_EQ(findingsOf(file, ""), onChannel10);
    EXPECT_EQ(findingsOf(file, "drum-channels = 9 10"), Lines{});
    EXPECT_EQ(findingsOf(file, "drum-channels = 10"),
              Lines{finding("drums (bank 120) on ch9, not a drum channel, first at 0:00.500 (bar 1 beat 2, "
                            "track 1 tick 480)")});
}

TEST(HandsetCheckMip, ARequiredMessageAndItsFirstValue) {
    const Bytes withoutMip = smfFile(1, 480, {End, Chords});
    EXPECT_EQ(findingsOf(withoutMip, "mip = required"), Lines{finding("no MIP message")});
    EXPECT_EQ(findingsOf(withoutMip, "mip = allowed\nmip-first-max = 6"), Lines{});
    // First value 7: channel 0 = 7, channel 1 = 8.
    // A second message later does not count.
    const Bytes seven = {0x00, 0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x07, 0x01, 0x08, 0xF7, 0x83, 0x60,
                         0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes withMip = smfFile(1, 480, {seven, Chords});
    EXPECT_EQ(findingsOf(withMip, "mip = required\nmip-first-max = 6"),
              Lines{finding("first MIP value 7, over 6")});
    EXPECT_EQ(findingsOf(withMip, "mip-first-max = 6"), Lines{finding("first MIP value 7, over 6")});
    EXPECT_EQ(findingsOf(withMip, "mip-first-max = 7"), Lines{});
    EXPECT_EQ(findingsOf(withMip, "mip = ignored\nmip-first-max = 6"), Lines{});
}

TEST(HandsetCheckLines, FindingsInOrderThenTheirCount) {
    const Bytes file = smfFile(2, 480, {Chords, Accompaniment});
    const HandsetFit fit = checkHandsetFit(FitFacts(file.data(), file.size()),
                                           profileOf("mip = required\nformats = 0 1\nvoices = 1"));
    EXPECT_EQ(
        fit.lines(),
        (Lines{finding("5 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 0 tick 480), over 1 "
                       "voice; ch0 4, ch1 1"),
               finding("format 2, not allowed"), finding("no MIP message"), finding("3 findings")}));
    EXPECT_FALSE(fit.fits());
    const HandsetFit one = checkHandsetFit(FitFacts(file.data(), file.size()), profileOf("formats = 0"));
    EXPECT_EQ(one.lines(), (Lines{finding("format 2, not allowed"), finding("1 finding")}));
    const HandsetFit none = checkHandsetFit(FitFacts(file.data(), file.size()), profileOf("voices = 5"));
    EXPECT_EQ(none.lines(), Lines{finding("fits")});
    EXPECT_TRUE(none.fits());
}

TEST(HandsetCheckLines, EachProfileIsCheckedUnderItsOwnName) {
    const Bytes file = smfFile(0, 480, {Chords});
    std::vector<HandsetProfile> profiles = {profileOf("voices = 2"), profileOf("voices = 4")};
    profiles[0].name = "small";
    profiles[1].name = "%d %s";
    std::vector<HandsetFit> fits;
    ASSERT_TRUE(checkHandsetFits(file, profiles, fits).ok());
    ASSERT_EQ(fits.size(), 2u);
    EXPECT_EQ(
        fits[0].lines(),
        (Lines{"-> Handset check [small]: 4 voices at once (3 notes) at 0:00.500 (bar 1 beat 2, track 0 tick "
               "480), over 2 voices; ch0 4",
               "-> Handset check [small]: 1 finding"}));
    EXPECT_EQ(fits[1].lines(), Lines{"-> Handset check [%d %s]: fits"});
    EXPECT_TRUE(checkHandsetFits(file, {}, fits).ok());
    EXPECT_TRUE(fits.empty());
}

TEST(HandsetCheckBrokenFiles, GiveWhatTheyHold) {
    const HandsetProfile everything = profileOf(
        "voices = 1\nmax-bytes = 1\nformats = 0\nmin-note-ms = 100\nkey-range = 60-60\nmax-tempo-changes = "
        "0\n"
        "mip = required\nmip-first-max = 0\nunsupported = pitch-bend sysex text-events");
    for (const Bytes& file : {Bytes{}, Bytes{'M', 'T', 'h', 'd'}, smfHeaderChunk(1, 3, 480),
                              Bytes{Chords.begin(), Chords.begin() + 7}}) {
        const HandsetFit fit = checkHandsetFit(FitFacts(file.data(), file.size()), everything);
        EXPECT_FALSE(fit.fits());
    }
    // A track cut in its middle: the events before the cut count.
    Bytes cut = smfFile(0, 480, {Chords});
    cut.resize(cut.size() - 20);
    EXPECT_EQ(findingsOf(cut, "voices = 1"),
              Lines{finding("3 voices at once (2 notes) at 0:00.250 (bar 1 beat 1, track 0 tick 240), over 1 "
                            "voice; ch0 3")});
}

TEST(HandsetCheckTracks, TheHeadersCountOverTheLimitSaysWhetherMinus0MergesThem) {
    const Bytes file = smfFile(1, 480, {End, End, End});
    EXPECT_EQ(findingsOf(file, "max-tracks = 3"), Lines{});
    EXPECT_EQ(findingsOf(file, "max-tracks = 2"), Lines{finding("3 tracks, over 2")});
    FitFacts facts(file.data(), file.size());
    int asked = 0;
    facts.formatZeroMerges = [&asked] { return ++asked > 0; };
    EXPECT_EQ(checkHandsetFit(facts, profileOf("max-tracks = 3")).findings, Lines{});
    EXPECT_EQ(asked, 0);  // the merge is tried only for a file over the limit
    EXPECT_EQ(checkHandsetFit(facts, profileOf("max-tracks = 1")).findings,
              Lines{finding("3 tracks, over 1 (-0 merges them)")});
    // The count is the header's: a handset refuses the file before it looks for the chunks.
    Bytes announcesNine = file;
    announcesNine[11] = 9;
    EXPECT_EQ(findingsOf(announcesNine, "max-tracks = 8"), Lines{finding("9 tracks, over 8")});
}

TEST(HandsetCheckPlaces, TheWrittenFilesTimeTheSourcesBarAndBeatThenTrackAndTick) {
    // A pitch bend at tick 1440 of track 1: 1.5 s at division 480 and the default tempo.
    const Bytes bend = {0x8B, 0x20, 0xE0, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const std::string profile = "unsupported = pitch-bend";
    const Bytes written = smfFile(1, 480, {End, bend});
    EXPECT_EQ(
        findingsOf(written, profile),
        Lines{finding("pitch bend on ch0, 1 message, first at 0:01.500 (bar 1 beat 4, track 1 tick 1440)")});
    // The source in 3/4 at division 96: its second bar starts at 1.5 s.
    const Bytes waltz =
        smfFile(0, 96, {{0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}});
    std::vector<HandsetFit> fits;
    ASSERT_TRUE(checkHandsetFits(CheckedFile{written, waltz.data(), waltz.size(), nullptr},
                                 {profileOf(profile)}, fits)
                    .ok());
    EXPECT_EQ(
        fits.at(0).findings,
        Lines{finding("pitch bend on ch0, 1 message, first at 0:01.500 (bar 2 beat 1, track 1 tick 1440)")});
    // Without quarter notes there are no bars: division 0 never leaves the
    // start, and 25 frames of 40 ticks make 1000 ticks a second.
    EXPECT_EQ(findingsOf(smfFile(1, 0, {End, bend}), profile),
              Lines{finding("pitch bend on ch0, 1 message, first at 0:00.000 (track 1 tick 1440)")});
    EXPECT_EQ(findingsOf(smfFile(1, 0xE728, {End, bend}), profile),
              Lines{finding("pitch bend on ch0, 1 message, first at 0:01.440 (track 1 tick 1440)")});
    ASSERT_TRUE(checkHandsetFits(CheckedFile{smfFile(1, 480, {End, bend}), written.data(), 0, nullptr},
                                 {profileOf(profile)}, fits)
                    .ok());
    EXPECT_EQ(fits.at(0).findings,
              Lines{finding("pitch bend on ch0, 1 message, first at 0:01.500 (track 1 tick 1440)")});
}
