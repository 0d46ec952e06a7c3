// Slimming a converted file: what goes, what stays for the handset's clock,
// how the rest is encoded, and how tracks are kept, dropped or merged.
#include "slim/slimming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "handset_tunes.h"
#include "smf/midi_format.h"
#include "test_support.h"

namespace {
constexpr int Division = 96;
const Bytes End = {0x00, 0xFF, 0x2F, 0x00};
const Bytes Tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};

// A meta event of the type with one byte of text.
Bytes meta(uint8_t delta, uint8_t type) {
    return {delta, 0xFF, type, 0x01, 'a'};
}

struct Timed {
    int track;
    int64_t tick;
    Bytes bytes;
    bool operator==(const Timed& other) const {
        return track == other.track && tick == other.tick && bytes == other.bytes;
    }
};

void PrintTo(const Timed& event, std::ostream* out) {
    *out << "track " << event.track << " tick " << event.tick << ": " << hexText(event.bytes);
}

// Every event of every track with its tick from the track's start.
std::vector<Timed> timedEvents(const Bytes& file) {
    std::vector<Timed> events;
    const std::vector<Bytes> bodies = chunkBodies(file);
    for (size_t track = 0; track < bodies.size(); ++track) {
        int64_t tick = 0;
        for (const DecodedEvent& event : decodeBody(bodies[track]))
            events.push_back({static_cast<int>(track), tick += event.delta, event.bytes});
    }
    return events;
}

std::vector<Timed> eventsOfTrack(const Bytes& file, int track) {
    std::vector<Timed> events = timedEvents(file);
    events.erase(
        std::remove_if(events.begin(), events.end(), [track](const Timed& e) { return e.track != track; }),
        events.end());
    return events;
}

bool holds(const Bytes& file, const Bytes& event) {
    const std::vector<Timed> events = timedEvents(file);
    return std::any_of(events.begin(), events.end(), [&event](const Timed& e) { return e.bytes == event; });
}

int trackCountOf(const Bytes& file) {
    return file[10] << 8 | file[11];
}

struct Slimmed {
    Bytes file;
    SlimOutcome outcome;
};

Slimmed slim(const Bytes& file, bool leaveOut, bool formatZero) {
    Slimmed slimmed{file, {}};
    EXPECT_TRUE(slimFile(slimSettings(leaveOut, formatZero), slimmed.file, slimmed.outcome).ok());
    return slimmed;
}

Bytes slimZ(const Bytes& file) {
    return slim(file, true, false).file;
}

// Two notes of one channel over a tempo: the plainest tune.
Bytes oneNoteTrack() {
    return concat({Tempo, {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40}, End});
}
}  // namespace

// --- Meta events ---

TEST(SlimMeta, TextsNamesLyricsMarkersCuesAndSequencerEventsGoTheCopyrightStays) {
    Bytes body;
    for (uint8_t type : Bytes{0x03, 0x02, 0x01, 0x04, 0x05, 0x06, 0x07, 0x7F})
        body = concat({body, meta(0, type)});
    const Bytes file = smfFile(0, Division, {concat({body, oneNoteTrack()})});
    const Slimmed slimmed = slim(file, true, false);
    EXPECT_EQ(eventsOfTrack(slimmed.file, 0),
              (std::vector<Timed>{{0, 0, {0xFF, 0x02, 0x01, 'a'}},
                                  {0, 0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}},
                                  {0, 0, {0x90, 0x3C, 0x64}},
                                  {0, 96, {0x90, 0x3C, 0x00}},
                                  {0, 96, {0xFF, 0x2F, 0x00}}}));
    EXPECT_EQ(slimmed.outcome.bytesBefore, file.size());
    EXPECT_EQ(slimmed.outcome.bytesAfter, slimmed.file.size());
    EXPECT_EQ(slimmed.outcome.format, 0);
}

// --- The handset's clock ---

TEST(SlimTimes, ALeftOutEventPassesItsDeltaTimeOnSoEveryOtherEventKeepsItsTick) {
    const Bytes file =
        smfFile(1, Division,
                {concat({{0x00, 0x90, 0x3C, 0x64}, meta(10, 0x01), {0x0A, 0x80, 0x3C, 0x40}, End}),
                 concat({{0x0A, 0x91, 0x40, 0x64, 0x0A, 0x81, 0x40, 0x40}, End})});
    EXPECT_EQ(eventsOfTrack(slimZ(file), 0),
              (std::vector<Timed>{
                  {0, 0, {0x90, 0x3C, 0x64}}, {0, 20, {0x90, 0x3C, 0x00}}, {0, 20, {0xFF, 0x2F, 0x00}}}));
}

TEST(SlimTimes, AnEventAloneAtItsTickStaysSinceTheClockStepsThere) {
    // Nothing else of the file stands at tick 10: the handset's clock steps
    // there, and its rounding would differ without the step.
    const Bytes file =
        smfFile(1, Division,
                {concat({{0x00, 0x90, 0x3C, 0x64}, meta(10, 0x01), {0x0A, 0x80, 0x3C, 0x40}, End}),
                 concat({{0x0B, 0x91, 0x40, 0x64, 0x09, 0x81, 0x40, 0x40}, End})});
    EXPECT_EQ(eventsOfTrack(slimZ(file), 0)[1], (Timed{0, 10, {0xFF, 0x01, 0x01, 'a'}}));
}

TEST(SlimTimes, OfEventsThatMayGoAloneAtATickTheLastStays) {
    // A text, a marker and a volume the channel already holds, alone at tick 10.
    const Bytes volume = {0xB0, 0x07, 0x64};
    const Bytes file = smfFile(0, Division,
                               {concat({{0x00},
                                        volume,
                                        {0x00, 0x90, 0x3C, 0x64},
                                        meta(10, 0x01),
                                        meta(0, 0x06),
                                        {0x00},
                                        volume,
                                        {0x0A, 0x80, 0x3C, 0x40},
                                        End})});
    const std::vector<Timed> events = eventsOfTrack(slimZ(file), 0);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[2], (Timed{0, 10, volume}));
}

// --- System exclusive ---

TEST(SlimSysEx, AMakersMessageGoesWithItsPacketsUniversalOnesAndOtherPacketsStay) {
    const Bytes gmOn = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const Bytes mip = {0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x01, 0xF7};
    const Bytes escape = {0xF7, 0x01, 0xFE};
    const Bytes file = smfFile(0, Division,
                               {concat({{0x00},
                                        mip,
                                        {0x00},
                                        gmOn,
                                        {0x00, 0x90, 0x3C, 0x64},
                                        {0x00, 0xF0, 0x03, 0x43, 0x10, 0x4C},
                                        {0x00, 0xF7, 0x02, 0x01, 0x02},
                                        meta(0, 0x01),
                                        {0x00, 0xF7, 0x02, 0x03, 0xF7},
                                        {0x00},
                                        escape,
                                        {0x00, 0xF0, 0x03, 0x41, 0x10, 0xF7},
                                        {0x60, 0x80, 0x3C, 0x40},
                                        End})});
    EXPECT_EQ(eventsOfTrack(slimZ(file), 0), (std::vector<Timed>{{0, 0, mip},
                                                                 {0, 0, gmOn},
                                                                 {0, 0, {0x90, 0x3C, 0x64}},
                                                                 {0, 0, escape},
                                                                 {0, 96, {0x90, 0x3C, 0x00}},
                                                                 {0, 96, {0xFF, 0x2F, 0x00}}}));
}

TEST(SlimSysEx, AChannelMessageEndsAMessagesPackets) {
    // Real-time bytes only: a handset's reading of them needs no status.
    const Bytes packet = {0xF7, 0x02, 0xF8, 0xF8};
    const Bytes file = smfFile(0, Division,
                               {concat({{0x00, 0xF0, 0x02, 0x43, 0x10, 0x00, 0x90, 0x3C, 0x64, 0x00},
                                        packet,
                                        {0x60, 0x80, 0x3C, 0x40},
                                        End})});
    const Bytes slimmed = slimZ(file);
    EXPECT_FALSE(holds(slimmed, {0xF0, 0x02, 0x43, 0x10}));
    EXPECT_TRUE(holds(slimmed, packet));
}

TEST(SlimSysEx, AMessageWithAPacketAloneAtItsTickStaysWhole) {
    // A packet kept without its message would be read as data of the note before it.
    const Bytes start = {0xF0, 0x02, 0x43, 0x10};
    const Bytes packet = {0xF7, 0x01, 0xF7};
    const Bytes file = smfFile(
        0, Division,
        {concat({{0x00, 0x90, 0x3C, 0x64, 0x00}, start, {0x05}, packet, {0x05, 0x80, 0x3C, 0x40}, End})});
    const Bytes slimmed = slimZ(file);
    EXPECT_TRUE(holds(slimmed, start));
    EXPECT_TRUE(holds(slimmed, packet));
}

TEST(SlimSysEx, AMessageOverManyTicksIsDecidedWholeBeforeTheTextsAtItsTicks) {
    // A maker's message from tick 0 to 20 in track 0; a text in track 1
    // shares tick 10 with a packet. Whether the message goes depends on its
    // last packet, ten ticks after the text, and the text goes only when
    // another event stays at its tick.
    const Bytes start = {0xF0, 0x02, 0x43, 0x10};
    const Bytes packet = {0xF7, 0x01, 0x11};
    const Bytes last = {0xF7, 0x01, 0xF7};
    const Bytes text = {0xFF, 0x01, 0x01, 'a'};
    const auto tune = [&](bool lastAlone) {
        const Bytes noteAtTwenty =
            lastAlone ? Bytes{} : Bytes{0x0A, 0x91, 0x40, 0x64, 0x00, 0x81, 0x40, 0x40};
        return smfFile(1, Division,
                       {concat({{0x00, 0x90, 0x3C, 0x64, 0x00},
                                start,
                                {0x0A},
                                packet,
                                {0x0A},
                                last,
                                {0x0A, 0x80, 0x3C, 0x40},
                                End}),
                        concat({{0x0A}, text, noteAtTwenty, {0x14, 0xFF, 0x2F, 0x00}})});
    };
    // The last packet alone at tick 20: the message stays whole, so the text goes.
    const Bytes kept = slimZ(tune(true));
    EXPECT_TRUE(holds(kept, start));
    EXPECT_TRUE(holds(kept, packet));
    EXPECT_TRUE(holds(kept, last));
    EXPECT_FALSE(holds(kept, text));
    // With a note beside it the message goes whole, and the text stays alone at tick 10.
    const Bytes leftOut = slimZ(tune(false));
    EXPECT_FALSE(holds(leftOut, start));
    EXPECT_FALSE(holds(leftOut, packet));
    EXPECT_FALSE(holds(leftOut, last));
    EXPECT_EQ(eventsOfTrack(leftOut, 1).front(), (Timed{1, 10, text}));
}

// --- Controllers and programs ---

TEST(SlimControllers, WhatAChannelHoldsIsJudgedOnTheTimeLineOfAllTracks) {
    const Bytes volume = {0xB0, 0x07, 0x64};
    const Bytes file =
        smfFile(1, Division,
                {concat({{0x00}, volume, {0x0A, 0x90, 0x3C, 0x64, 0x0A, 0x80, 0x3C, 0x40}, End}),
                 concat({{0x0A}, volume, {0x0A, 0xB0, 0x07, 0x50}, End})});
    EXPECT_EQ(eventsOfTrack(slimZ(file), 1),
              (std::vector<Timed>{{1, 20, {0xB0, 0x07, 0x50}}, {1, 20, {0xFF, 0x2F, 0x00}}}));
}

TEST(SlimControllers, AGmSystemOnForgetsWhatEveryChannelHolds) {
    const Bytes volume = {0xB0, 0x07, 0x64};
    const Bytes program = {0xC1, 0x05};
    const Bytes file = smfFile(0, Division,
                               {concat({{0x00},
                                        volume,
                                        {0x00},
                                        program,
                                        {0x0A, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00},
                                        volume,
                                        {0x00},
                                        program,
                                        {0x00},
                                        volume,
                                        {0x00},
                                        program,
                                        {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40},
                                        End})});
    const std::vector<Timed> events = eventsOfTrack(slimZ(file), 0);
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[3], (Timed{0, 10, volume}));
    EXPECT_EQ(events[4], (Timed{0, 10, program}));
    EXPECT_EQ(events[5], (Timed{0, 10, {0x90, 0x3C, 0x64}}));
}

// --- Encoding ---

TEST(SlimEncoding, NoteOffsBecomeNoteOnsOfVelocityZeroUnderRunningStatus) {
    const Bytes file = smfFile(0, Division,
                               {concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0x90, 0x3E,
                                         0x64, 0x60, 0x80, 0x3E, 0x40},
                                        End})});
    EXPECT_EQ(chunkBodies(slimZ(file)),
              (std::vector<Bytes>{{0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00, 0x3E, 0x64, 0x60, 0x3E,
                                   0x00, 0x00, 0xFF, 0x2F, 0x00}}));
}

TEST(SlimEncoding, RunningStatusStopsAtAMetaEventUnlessItIsLeftOut) {
    const Bytes kept =
        smfFile(0, Division, {concat({{0x00, 0x90, 0x3C, 0x64}, Tempo, {0x60, 0x90, 0x3C, 0x00}, End})});
    EXPECT_EQ(chunkBodies(slimZ(kept)).front(),
              concat({{0x00, 0x90, 0x3C, 0x64}, Tempo, {0x60, 0x90, 0x3C, 0x00}, End}));
    const Bytes leftOut = smfFile(
        0, Division, {concat({{0x00, 0x90, 0x3C, 0x64}, meta(0, 0x01), {0x60, 0x90, 0x3C, 0x00}, End})});
    EXPECT_EQ(chunkBodies(slimZ(leftOut)).front(), concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00}, End}));
}

// --- Tracks ---

TEST(SlimTracks, ATrackLeftWithItsEndOnlyGoesWhenAnotherEventStandsAtThatTick) {
    const Bytes name = meta(0, 0x03);
    const Bytes file = smfFile(1, Division,
                               {concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40}, End}),
                                concat({name, {0x60, 0xFF, 0x2F, 0x00}}),  // ends with the note
                                concat({name, {0x50, 0xFF, 0x2F, 0x00}}),  // ends alone at tick 80
                                concat({name, End})});                     // ends at the first note
    const Slimmed slimmed = slim(file, true, false);
    EXPECT_EQ(trackCountOf(slimmed.file), 2);
    EXPECT_EQ(chunkBodies(slimmed.file).back(), (Bytes{0x50, 0xFF, 0x2F, 0x00}));
}

TEST(SlimTracks, OfEmptyTracksEndingAtOneTickTheLastGoesFirst) {
    // Tracks 1 and 2 hold only their ends, both at tick 80, where nothing
    // else stands: one of them must stay for the clock, and it is track 1.
    const Bytes name = meta(0, 0x03);
    const Bytes file = smfFile(
        1, Division,
        {oneNoteTrack(), concat({name, {0x50, 0xFF, 0x2F, 0x00}}), concat({name, {0x50, 0xFF, 0x2F, 0x00}})});
    const Bytes slimmed = slimZ(file);
    EXPECT_EQ(trackCountOf(slimmed), 2);
    EXPECT_EQ(chunkBodies(slimmed).back(), (Bytes{0x50, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(slimZ(slimmed), slimmed);
}

TEST(SlimTracks, TheFirstTrackStaysEvenWithItsEndOnly) {
    const Bytes file = smfFile(1, Division, {concat({meta(0, 0x03), End}), oneNoteTrack()});
    const Bytes slimmed = slimZ(file);
    EXPECT_EQ(trackCountOf(slimmed), 2);
    EXPECT_EQ(chunkBodies(slimmed).front(), End);
}

TEST(SlimTracks, AnEndOfTrackOfAnyLengthEndsTheTrack) {
    const Bytes file =
        smfFile(1, Division,
                {oneNoteTrack(),
                 concat({{0x00, 0x91, 0x40, 0x64, 0x10, 0x81, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x01, 0x00},
                         {0x10, 0x91, 0x43, 0x64, 0x10, 0x81, 0x43, 0x40},
                         End})});
    // Merged, the tune's end is the first track's, and the notes after the early end are gone.
    const Bytes merged = slim(file, false, true).file;
    EXPECT_FALSE(holds(merged, {0x91, 0x43, 0x64}));
    EXPECT_EQ(timedEvents(merged).back(), (Timed{0, 96, {0xFF, 0x2F, 0x00}}));
    const std::vector<Timed> tracks = eventsOfTrack(slimZ(file), 1);
    EXPECT_EQ(tracks.back(), (Timed{1, 16, {0xFF, 0x2F, 0x01, 0x00}}));
}

TEST(SlimTracks, WhatFollowsATracksEndGoesSinceNoHandsetReadsIt) {
    const Bytes file = smfFile(0, Division, {concat({oneNoteTrack(), {0x00, 0x90, 0x40, 0x64}})});
    EXPECT_EQ(eventsOfTrack(slimZ(file), 0).back(), (Timed{0, 96, {0xFF, 0x2F, 0x00}}));
}

// --- Format 0 ---

TEST(SlimFormatZero, TracksMergeByTickThenByTrackWithOneEndAtTheLatest) {
    const Bytes file =
        smfFile(1, Division,
                {concat({Tempo, {0x60, 0xFF, 0x2F, 0x00}}),
                 concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x60, 0xFF, 0x2F, 0x00}}),
                 concat({{0x00, 0x91, 0x40, 0x64, 0x60, 0x81, 0x40, 0x40}, End})});
    const Slimmed merged = slim(file, false, true);
    EXPECT_EQ(merged.outcome.format, 0);
    EXPECT_EQ(trackCountOf(merged.file), 1);
    EXPECT_EQ(timedEvents(merged.file), (std::vector<Timed>{{0, 0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}},
                                                            {0, 0, {0x90, 0x3C, 0x64}},
                                                            {0, 0, {0x91, 0x40, 0x64}},
                                                            {0, 96, {0x80, 0x3C, 0x40}},
                                                            {0, 96, {0x81, 0x40, 0x40}},
                                                            {0, 192, {0xFF, 0x2F, 0x00}}}));
}

TEST(SlimFormatZero, ATracksEndAloneAtItsTickLeavesAnEmptyPacketForTheClock) {
    const Bytes file = smfFile(1, Division, {concat({Tempo, {0x10, 0xFF, 0x2F, 0x00}}), oneNoteTrack()});
    const std::vector<Timed> events = timedEvents(slim(file, false, true).file);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[3], (Timed{0, 16, {0xF7, 0x00}}));
}

namespace {
// Two tracks of notes on channels 0 and 1 at the same ticks, under running
// status: merged, no status byte repeats, so format 0 takes one byte more
// per event but the first of each track, and saves a chunk header and an End
// of Track.
Bytes interleavedTune(int notesPerTrack) {
    std::vector<Bytes> bodies;
    for (uint8_t channel : Bytes{0, 1}) {
        Bytes body = {0x00, static_cast<uint8_t>(0x90 | channel), 0x3C, 0x64};
        for (int i = 1; i < notesPerTrack; ++i)
            body = concat({body, {24, 0x3C, static_cast<uint8_t>(i % 2 == 0 ? 0x64 : 0x00)}});
        bodies.push_back(concat({body, End}));
    }
    return smfFile(1, Division, bodies);
}
}  // namespace

TEST(SlimFormatZero, AloneItWritesFormatZeroEvenWhenThatIsLarger) {
    const Bytes file = interleavedTune(20);
    const Slimmed merged = slim(file, false, true);
    EXPECT_EQ(merged.outcome.format, 0);
    EXPECT_GT(merged.file.size(), file.size());
}

TEST(SlimFormatZero, WithSlimmingTheSmallerOfFormatsZeroAndOneIsKeptAndFormatZeroOnATie) {
    // Seven notes a track is the tie: 12 status bytes more, 12 bytes of chunk and end less.
    for (const auto& [notes, format] : std::vector<std::pair<int, int>>{{6, 0}, {7, 0}, {8, 1}}) {
        const Bytes file = interleavedTune(notes);
        const Slimmed both = slim(file, true, true);
        const Slimmed formatOne = slim(file, true, false);
        const Slimmed formatZero = slim(file, false, true);
        EXPECT_EQ(both.outcome.format, format) << notes << " notes a track";
        EXPECT_EQ(both.file.size(), std::min(formatOne.file.size(), formatZero.file.size())) << notes;
    }
    EXPECT_EQ(slim(interleavedTune(7), true, false).file.size(),
              slim(interleavedTune(7), false, true).file.size());
}

TEST(SlimFormatZero, SysExPacketsInTheTracksKeepThemApart) {
    // Merged, the packet would be read after the other track's note.
    const Bytes file =
        smfFile(1, Division,
                {concat({{0x00, 0xF7, 0x03, 0x90, 0x3C, 0x64, 0x60, 0xF7, 0x03, 0x80, 0x3C, 0x40}, End}),
                 oneNoteTrack()});
    const Slimmed alone = slim(file, false, true);
    EXPECT_EQ(alone.outcome.note, SlimNote::PacketsKeepTracks);
    EXPECT_EQ(alone.file, file);
    const Slimmed both = slim(file, true, true);
    EXPECT_EQ(both.outcome.note, SlimNote::PacketsKeepTracks);
    EXPECT_EQ(both.outcome.format, 1);
    EXPECT_EQ(both.file, slimZ(file));
}

// --- Format 2 ---

TEST(SlimFormatTwo, EveryEventAndEveryTrackStaysAndOnlyTheEncodingChanges) {
    const Bytes file =
        smfFile(2, Division,
                {concat({meta(0, 0x03), {0x00, 0xB0, 0x07, 0x64, 0x00, 0xB0, 0x07, 0x64}, oneNoteTrack()}),
                 concat({meta(0, 0x01), End})});
    const Slimmed slimmed = slim(file, true, false);
    EXPECT_EQ(slimmed.outcome.format, 2);
    EXPECT_EQ(slimmed.outcome.note, SlimNote::None);
    std::vector<Timed> expected = timedEvents(file);
    for (Timed& event : expected)
        if (event.bytes[0] == 0x80) event.bytes = {0x90, event.bytes[1], 0x00};
    EXPECT_EQ(timedEvents(slimmed.file), expected);
    EXPECT_LT(slimmed.file.size(), file.size());
}

TEST(SlimFormatTwo, MinusZeroLeavesItInFormatTwoAndSaysSo) {
    const Bytes file = smfFile(2, Division, {oneNoteTrack(), oneNoteTrack()});
    const Slimmed alone = slim(file, false, true);
    EXPECT_EQ(alone.file, file);
    EXPECT_EQ(alone.outcome.note, SlimNote::FormatTwoKept);
    EXPECT_EQ(alone.outcome.format, 2);
    const Slimmed both = slim(file, true, true);
    EXPECT_EQ(both.outcome.note, SlimNote::FormatTwoKept);
    EXPECT_EQ(both.file, slimZ(file));
}

// --- Files a handset would not read as their tracks say ---

TEST(SlimUnrewritable, ATrackWithoutItsEndLeavesTheFileAsItIs) {
    const Bytes file =
        smfFile(1, Division, {concat({meta(0, 0x03), {0x00, 0x90, 0x3C, 0x64}}), oneNoteTrack()});
    for (const auto& [leaveOut, formatZero] :
         std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}) {
        const Slimmed slimmed = slim(file, leaveOut, formatZero);
        EXPECT_EQ(slimmed.file, file);
        EXPECT_EQ(slimmed.outcome.note, SlimNote::TrackWithoutEnd);
        EXPECT_EQ(slimmed.outcome.format, 1);
    }
}

TEST(SlimUnrewritable, AHeaderOfAnotherLengthNoTrackOrNoHeaderLeavesTheBytesAsTheyAre) {
    Bytes longHeader = smfFile(0, Division, {oneNoteTrack()});
    longHeader[7] = 8;
    longHeader.insert(longHeader.begin() + SmfHeaderSize, {0x00, 0x00});
    for (const Bytes& file :
         {longHeader, smfHeaderChunk(1, 0, Division), Bytes{'R', 'I', 'F', 'F'}, Bytes{}}) {
        const Slimmed slimmed = slim(file, true, true);
        EXPECT_EQ(slimmed.file, file);
        EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
    }
}

TEST(SlimUnrewritable, ADeltaTimeThatWouldNeedMoreThanFourBytesLeavesTheFileAsItIs) {
    const Bytes longest = {0xFF, 0xFF, 0xFF, 0x7F};
    const Bytes file = smfFile(
        1, Division,
        {concat(
             {{0x00, 0x90, 0x3C, 0x64}, longest, {0xFF, 0x01, 0x01, 'a'}, longest, {0x80, 0x3C, 0x40}, End}),
         concat({longest, {0x91, 0x40, 0x64}, longest, {0x81, 0x40, 0x40}, End})});
    const Slimmed slimmed = slim(file, true, false);
    EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
    EXPECT_EQ(slimmed.file, file);
}

TEST(SlimUnrewritable, AStatusByteReadAsChannelDataLeavesTheFileAsItIs) {
    // The reader takes E9 E9 as a pitch bend's data, a handset as two more statuses.
    const Bytes file =
        smfFile(0, Division, {concat({{0x00, 0xE9, 0xE9, 0xE9, 0x00, 0xE9, 0xE9, 0xE9}, End})});
    const Slimmed slimmed = slim(file, true, true);
    EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
    EXPECT_EQ(slimmed.file, file);
}

TEST(SlimUnrewritable, ASystemMessageReadAtAnotherLengthLeavesTheFileAsItIs) {
    // The reader takes F2 10 as the whole message and 20 as the next delta
    // time; a handset reads F2 10 20 and the 00 after it as the delta.
    for (const uint8_t status : Bytes{0xF2, 0xF6, 0xF8, 0xFE}) {
        const Bytes file = smfFile(
            1, Division,
            {concat({{0x00, 0x90, 0x3C, 0x64, 0x00, status, 0x10, 0x20, 0x00, 0x80, 0x3C, 0x40}, End}),
             concat({meta(0, 0x03), oneNoteTrack()})});
        for (const auto& [leaveOut, formatZero] :
             std::vector<std::pair<bool, bool>>{{true, false}, {false, true}, {true, true}}) {
            const Slimmed slimmed = slim(file, leaveOut, formatZero);
            EXPECT_EQ(slimmed.outcome.note, SlimNote::SystemMessage) << std::hex << int(status);
            EXPECT_EQ(slimmed.file, file);
        }
    }
}

TEST(SlimUnrewritable, ASystemMessageAfterTheTracksEndOrOfOneDataByteOnBothIsSlimmed) {
    const Bytes afterEnd = smfFile(0, Division, {concat({oneNoteTrack(), {0x00, 0xF2, 0x10, 0x20}})});
    const Slimmed ended = slim(afterEnd, true, false);
    EXPECT_EQ(ended.outcome.note, SlimNote::None);
    EXPECT_LT(ended.file.size(), afterEnd.size());
    // The song select: two bytes to the reader and to a handset.
    const Bytes songSelect =
        smfFile(0, Division, {concat({meta(0, 0x03), {0x00, 0xF3, 0x01}, oneNoteTrack()})});
    const Slimmed selected = slim(songSelect, true, false);
    EXPECT_EQ(selected.outcome.note, SlimNote::None);
    EXPECT_TRUE(holds(selected.file, {0xF3, 0x01}));
}

TEST(SlimUnrewritable, MoreTracksThanAHandsetPlaysLeaveTheFileAsItIs) {
    std::vector<Bytes> bodies(101, End);
    bodies[0] = oneNoteTrack();
    const Bytes file = smfFile(1, Division, bodies);
    const Slimmed slimmed = slim(file, true, false);
    EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
    EXPECT_EQ(slimmed.file, file);
    // One fewer is slimmed.
    bodies.pop_back();
    EXPECT_EQ(slim(smfFile(1, Division, bodies), true, false).outcome.note, SlimNote::None);
}

TEST(SlimUnrewritable, ANoteBeforeATempoATimeSignatureAndAGmSystemOnLeavesTheFileAsItIs) {
    // Once it has read all three, a handset skips to the next event of a track
    // that has started a note: the text, which -Z would leave out.
    const Bytes timeSignature = {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08};
    const Bytes gmOn = {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const Bytes notes = concat({{0x00, 0x90, 0x3C, 0x64}, meta(10, 0x01), {0x0A, 0x80, 0x3C, 0x40}, End});
    const Bytes keySignature = {0x0A, 0xFF, 0x59, 0x02, 0x00, 0x00};
    const Bytes after =
        smfFile(1, Division, {concat({Tempo, timeSignature, End}), notes, concat({gmOn, keySignature, End})});
    EXPECT_EQ(slim(after, true, false).outcome.note, SlimNote::NotRewritable);
    // The GM system on first: the skip ends at the first note, wherever it stands.
    const Bytes before =
        smfFile(1, Division, {concat({Tempo, timeSignature, gmOn, End}), notes, concat({keySignature, End})});
    EXPECT_EQ(slim(before, true, false).outcome.note, SlimNote::None);
}

TEST(SlimUnrewritable, FewerTracksThanTheHeaderAnnouncesLeaveTheFileAsItIs) {
    // A handset refuses the file: slimmed, it would play.
    Bytes file = smfFile(1, Division, {oneNoteTrack(), concat({meta(0, 0x03), oneNoteTrack()})});
    file[TrackCountOffset + 1] = 3;
    const Slimmed slimmed = slim(file, true, true);
    EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
    EXPECT_EQ(slimmed.file, file);
}

TEST(SlimSysEx, APacketsDataUnderAChannelStatusLeavesTheFileAsItIs) {
    // A handset reads 30 as a program change of channel 0: left out, the
    // repeated C0 05 before it would make that a note's data instead.
    const Bytes programs =
        smfFile(0, Division,
                {concat({{0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x40},
                         {0x00, 0xC0, 0x05, 0x00, 0xF7, 0x01, 0x30},
                         {0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x40},
                         End})});
    // The same with a note-off before it, which would become a note-on.
    const Bytes noteOff = smfFile(
        0, Division,
        {concat({{0x00, 0x90, 0x3C, 0x64, 0x30, 0x80, 0x3C, 0x40, 0x00, 0xF7, 0x02, 0x01, 0xF7}, End})});
    for (const Bytes& file : {programs, noteOff}) {
        const Slimmed slimmed = slim(file, true, false);
        EXPECT_EQ(slimmed.outcome.note, SlimNote::NotRewritable);
        EXPECT_EQ(slimmed.file, file);
    }
}

TEST(SlimSysEx, PacketsThatMayCompleteAGmSystemOnForgetWhatEveryChannelHolds) {
    // F0 7E 7F 09 and a packet 01 F7: a handset resets every channel, so the
    // second volume sets it again.
    const Bytes volume = {0xB0, 0x07, 0x64};
    const Bytes file =
        smfFile(0, Division,
                {concat({{0x00},
                         volume,
                         {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0x09, 0x00, 0xF7, 0x02, 0x01, 0xF7, 0x00},
                         volume,
                         oneNoteTrack()})});
    const std::vector<Timed> events = eventsOfTrack(slimZ(file), 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), Timed{0, 0, volume}), 2);
}

TEST(SlimSysEx, AMakersMessageWithAStatusByteInsideStaysSinceTheSynthesizerPlaysIt) {
    const Bytes message = {0xF0, 0x05, 0x43, 0x90, 0x3C, 0x64, 0xF7};
    const Bytes file = smfFile(0, Division, {concat({{0x00}, message, oneNoteTrack()})});
    EXPECT_TRUE(holds(slimZ(file), message));
}

// --- What the outcome tells ---

TEST(SlimOutcome, ItTellsWhetherTheBytesAreThoseItWasGiven) {
    const Bytes lean = smfFile(0, Division, {concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00}, End})});
    for (const auto& [leaveOut, formatZero] :
         std::vector<std::pair<bool, bool>>{{true, false}, {true, true}, {false, true}}) {
        const Slimmed slimmed = slim(lean, leaveOut, formatZero);
        EXPECT_TRUE(slimmed.outcome.unchanged) << leaveOut << formatZero;
        EXPECT_EQ(slimmed.file, lean) << leaveOut << formatZero;
    }
    // Nothing left out, but a note-off written otherwise.
    const Bytes noteOff =
        smfFile(0, Division, {concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40}, End})});
    EXPECT_FALSE(slim(noteOff, true, false).outcome.unchanged);
    EXPECT_FALSE(slim(smfFile(1, Division, {oneNoteTrack(), oneNoteTrack()}), false, true).outcome.unchanged);
    // A file left as it is, and what was asked.
    const Slimmed kept = slim(smfFile(1, Division, {concat({{0x00, 0x90, 0x3C, 0x64}})}), true, false);
    EXPECT_EQ(kept.outcome.note, SlimNote::TrackWithoutEnd);
    EXPECT_TRUE(kept.outcome.unchanged);
    EXPECT_TRUE(kept.outcome.leftAsGiven());
    EXPECT_EQ(kept.outcome.asked.slim, 1);
    EXPECT_EQ(kept.outcome.asked.formatZero, 0);
}

TEST(SlimFormatZeroMerges, AnswersAsMinus0WouldDoWithoutChangingTheBytes) {
    const Bytes twoTracks = smfFile(1, Division, {concat({Tempo, End}), oneNoteTrack()});
    const Bytes copy = twoTracks;
    EXPECT_TRUE(formatZeroMerges(twoTracks));
    EXPECT_EQ(twoTracks, copy);
    // Format 2 keeps its tracks apart; a track without its end, or more
    // tracks than the synthesizer plays, leave the file as it is.
    EXPECT_FALSE(formatZeroMerges(smfFile(2, Division, {oneNoteTrack(), oneNoteTrack()})));
    EXPECT_FALSE(formatZeroMerges(smfFile(1, Division, {{0x00, 0xC0, 0x01}, oneNoteTrack()})));
    EXPECT_FALSE(formatZeroMerges(smfFile(1, Division, std::vector<Bytes>(101, oneNoteTrack()))));
    EXPECT_TRUE(formatZeroMerges(smfFile(1, Division, std::vector<Bytes>(100, oneNoteTrack()))));
}
