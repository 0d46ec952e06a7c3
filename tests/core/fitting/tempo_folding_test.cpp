// Folding the tempos past a profile's limit: the tune plays on at the last
// kept tempo, every event at its old time within half a millisecond.
#include "fitting/tempo_folding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit/handset_fit.h"
#include "test_support.h"

namespace {
const Bytes NoteOn = {0x90, 60, 100};
const Bytes NoteOff = {0x80, 60, 0};

Bytes setTempo(int32_t microseconds) {
    return {0xFF,
            0x51,
            0x03,
            static_cast<uint8_t>(microseconds >> 16),
            static_cast<uint8_t>(microseconds >> 8),
            static_cast<uint8_t>(microseconds)};
}

bool isSetTempo(const uint8_t* bytes, int32_t length) {
    return length == 6 && bytes[0] == 0xFF && bytes[1] == 0x51 && bytes[2] == 0x03;
}

HandsetProfile tempoLimit(int32_t changes) {
    HandsetProfile profile;
    profile.name = "phone";
    profile.maxTempoChanges = changes;
    return profile;
}

FitTune tuneOf(const Bytes& file) {
    FitTune tune;
    EXPECT_TRUE(tune.read(file.data(), file.size()));
    return tune;
}

// An event other than a Set Tempo and when it plays, in microseconds: worked
// out here in long double, by nothing the fit uses.
struct TimedEvent {
    Bytes bytes;
    long double microseconds;
};
using TrackTimes = std::vector<std::vector<TimedEvent>>;

TrackTimes timesOf(const FitTune& tune) {
    TrackTimes tracks(static_cast<size_t>(tune.trackCount));
    long double now = 0;
    int64_t lastTick = 0;
    int32_t tempo = 500000;
    for (const FitEvent& event : tune.events) {
        const uint8_t* bytes = tune.bytesOf(event);
        now += static_cast<long double>(event.tick - lastTick) * tempo / tune.division;
        lastTick = event.tick;
        if (isSetTempo(bytes, event.length))
            tempo = bytes[3] << 16 | bytes[4] << 8 | bytes[5];
        else
            tracks[static_cast<size_t>(event.track)].push_back({Bytes(bytes, bytes + event.length), now});
    }
    return tracks;
}

// Every event is there as it was, in its track's order, and plays within
// half a millisecond of its old time; the largest difference.
long double expectSameEventsNearTheirTimes(const TrackTimes& before, const TrackTimes& after) {
    long double largest = 0;
    EXPECT_EQ(before.size(), after.size());
    for (size_t track = 0; track < before.size() && track < after.size(); ++track) {
        EXPECT_EQ(before[track].size(), after[track].size()) << "track " << track;
        for (size_t index = 0; index < before[track].size() && index < after[track].size(); ++index) {
            EXPECT_EQ(hexText(before[track][index].bytes), hexText(after[track][index].bytes));
            const long double difference =
                std::fabs(after[track][index].microseconds - before[track][index].microseconds);
            EXPECT_LE(difference, 500.0L) << "track " << track << " event " << index;
            largest = std::max(largest, difference);
        }
    }
    return largest;
}

int32_t setTemposOf(const FitTune& tune) {
    int32_t count = 0;
    for (const FitEvent& event : tune.events) count += isSetTempo(tune.bytesOf(event), event.length) ? 1 : 0;
    return count;
}

Bytes writtenOf(const FitTune& tune) {
    Bytes written;
    EXPECT_TRUE(tune.write(1, written));
    return written;
}

// The check's lines for the written tune that name tempo changes.
std::vector<std::string> tempoFindingsOf(const FitTune& tune, const HandsetProfile& profile) {
    std::vector<HandsetFit> fits;
    EXPECT_TRUE(checkHandsetFits(writtenOf(tune), {profile}, fits).ok());
    std::vector<std::string> found;
    for (const std::string& line : fits.at(0).findings)
        if (line.find("tempo change") != std::string::npos) found.push_back(line);
    return found;
}

struct Folded {
    FitTune tune;
    long double largestError;
};

// The tune folded to the limit, checked to say so in line, to keep its
// events and their times and to pass the check's count of tempo changes.
Folded foldChecked(const Bytes& file, int32_t limit, const std::string& line) {
    FitTune tune = tuneOf(file);
    const TrackTimes before = timesOf(tune);
    FitChanges changes("phone");
    foldTempos(tune, tempoLimit(limit), changes);
    const long double largest = expectSameEventsNearTheirTimes(before, timesOf(tune));
    EXPECT_EQ(tempoFindingsOf(tune, tempoLimit(limit)), std::vector<std::string>{});
    EXPECT_EQ(changes.lines(), std::vector<std::string>{line});
    return {tune, largest};
}

void expectUntouched(const Bytes& file, const HandsetProfile& profile) {
    FitTune tune = tuneOf(file);
    FitChanges changes("phone");
    foldTempos(tune, profile, changes);
    EXPECT_EQ(changes.lines(), std::vector<std::string>{});
    EXPECT_EQ(hexText(writtenOf(tune)), hexText(writtenOf(tuneOf(file))));
}
}  // namespace

TEST(TempoFolding, ATuneWithinTheLimitOrWithoutOneIsLeftAlone) {
    const Bytes oneChange = smfFile(0, 96,
                                    {trackBodyOf({{0, setTempo(400000)},
                                                  {0, NoteOn},
                                                  {96, setTempo(300000)},
                                                  {96, NoteOff},
                                                  // The same tempo again is no change.
                                                  {150, setTempo(300000)},
                                                  {200, NoteOn},
                                                  {300, NoteOff}})});
    expectUntouched(oneChange, tempoLimit(1));
    expectUntouched(oneChange, HandsetProfile{});
    const Bytes smpte = smfFile(0, 0xE728, {trackBodyOf({{0, setTempo(400000)}, {10, setTempo(300000)}})});
    expectUntouched(smpte, tempoLimit(0));
    expectUntouched(smfFile(0, 0, {trackBodyOf({{0, setTempo(400000)}, {10, setTempo(300000)}})}),
                    tempoLimit(0));
}

TEST(TempoFolding, TheChangesPastTheLimitPlayAtTheLastKeptTempo) {
    // At 480 ticks a quarter a quarter note of 250000 us needs no finer tick.
    const Bytes file = smfFile(1, 480,
                               {trackBodyOf({{0, setTempo(500000)},
                                             {480, setTempo(250000)},
                                             {960, setTempo(1000000)},
                                             {1200, setTempo(250000)},
                                             {1440, setTempo(750000)}}),
                                trackBodyOf({{0, NoteOn},
                                             {480, NoteOff},
                                             {600, NoteOn},
                                             {1080, NoteOff},
                                             {1300, NoteOn},
                                             {1500, NoteOff}})});
    const Folded folded =
        foldChecked(file, 1,
                    "-> Fit [phone]: 5 tempos folded into 2, division 480, every event within "
                    "0.00 ms");
    EXPECT_EQ(folded.tune.division, 480);
    EXPECT_EQ(setTemposOf(folded.tune), 2);
    // Old tick 1080 is 500 ms past tick 480: 960 ticks of 250000 us a quarter;
    // old tick 1300 is 802.08 ms past it, 1500 968.75 ms.
    std::vector<int64_t> noteTicks;
    for (const FitEvent& event : folded.tune.events)
        if (event.track == 1) noteTicks.push_back(event.tick);
    EXPECT_EQ(noteTicks, (std::vector<int64_t>{0, 480, 600, 1440, 2020, 2340, 2340}));
}

TEST(TempoFolding, WithALimitOfNoneTheTunePlaysAtItsFirstTempo) {
    // The default tempo plays until the first Set Tempo, which is no change.
    const Bytes file = smfFile(0, 120,
                               {trackBodyOf({{0, NoteOn},
                                             {60, setTempo(100000)},
                                             {60, NoteOff},
                                             {90, setTempo(90000)},
                                             {101, NoteOn},
                                             {130, setTempo(80000)},
                                             {173, NoteOff}})});
    const Folded folded =
        foldChecked(file, 0,
                    "-> Fit [phone]: 3 tempos folded into 1, division 120, every event within "
                    "0.33 ms");
    EXPECT_EQ(setTemposOf(folded.tune), 1);
    // Old tick 173 is 83666.67 us past tick 60: 100.4 ticks of 833.33 us.
    EXPECT_NEAR(static_cast<double>(folded.largestError), 1000.0 / 3, 1e-6);
    EXPECT_EQ(folded.tune.events.back().tick, 160);
}

TEST(TempoFolding, TheDivisionRisesToAMultipleThatRoundsWithinHalfAMillisecond) {
    // 96 ticks a quarter at 120 bpm: a tick of 5208 us; six times as many
    // ticks make it 868 us, and keep every kept tick exact.
    const Bytes file = smfFile(0, 96,
                               {trackBodyOf({{0, setTempo(500000)},
                                             {0, NoteOn},
                                             {50, setTempo(432100)},
                                             {55, NoteOff},
                                             {77, NoteOn},
                                             {90, setTempo(654321)},
                                             {101, NoteOff},
                                             {103, NoteOn},
                                             {107, NoteOff}})});
    const Folded folded =
        foldChecked(file, 0,
                    "-> Fit [phone]: 3 tempos folded into 1, division 576, every event within "
                    "0.42 ms");
    EXPECT_EQ(folded.tune.division, 576);
}

TEST(TempoFolding, ASlowHeldTempoTakesTheSmallestDivisionThatRoundsWithinHalfAMillisecond) {
    // Twice 16500 passes the largest division: 16600 ticks make the tick of
    // 16.6 s a quarter one millisecond, though the kept ticks then round too.
    const Bytes file = smfFile(0, 16500,
                               {trackBodyOf({{0, setTempo(16600000)},
                                             {0, NoteOn},
                                             {1001, NoteOff},
                                             {1234, NoteOn},
                                             {20000, setTempo(100000)},
                                             {20011, NoteOff},
                                             {54321, NoteOn},
                                             {60000, NoteOff}})});
    const Folded folded =
        foldChecked(file, 0,
                    "-> Fit [phone]: 2 tempos folded into 1, division 16600, every event within "
                    "0.48 ms");
    // 1234 ticks of 1006.06 us are 1240.79 of 1000 us.
    EXPECT_EQ(folded.tune.events.at(3).tick, 1241);
}

TEST(TempoFolding, ASetTempoOfALowerTrackStaysAfterTheOneItFollows) {
    // The kept Set Tempo at tick 83 of track 1 rounds half a new tick late;
    // the next one, a tick later in track 0, would round before it, and at
    // one tick the lower track plays first.
    const Bytes file = smfFile(1, 16500,
                               {trackBodyOf({{0, setTempo(16600000)},
                                             {84, setTempo(16600000 - 1)},
                                             {90, NoteOn},
                                             {200, NoteOff},
                                             {300, setTempo(500000)}}),
                                trackBodyOf({{83, setTempo(100)}, {85, NoteOn}, {86, NoteOff}})});
    const Folded folded = foldChecked(
        file, 2, "-> Fit [phone]: 4 tempos folded into 3, division 16600, every event within 0.50 ms");
    EXPECT_EQ(folded.tune.division, 16600);
    std::vector<int32_t> tempoTracks;
    for (const FitEvent& event : folded.tune.events)
        if (isSetTempo(folded.tune.bytesOf(event), event.length)) tempoTracks.push_back(event.track);
    EXPECT_EQ(tempoTracks, (std::vector<int32_t>{0, 1, 0}));
}

TEST(TempoFolding, TicksOfBillionsKeepTheirTimes) {
    // Deltas of the longest a file can give: 2^28 - 1 ticks, here of a
    // millisecond each, times tempos near 2^24 need no more than 64 bits.
    constexpr int32_t Longest = 0x0FFFFFFF;
    const Bytes file = smfFile(0, 1000,
                               {trackBodyOf({{0, setTempo(0xFFFFFF)},
                                             {1, setTempo(0xFFFFFE)},
                                             {2, setTempo(0x0F0000)},
                                             {Longest, NoteOn},
                                             {2 * Longest, NoteOff},
                                             {3 * Longest, NoteOn},
                                             {4 * Longest, NoteOff},
                                             {5 * Longest, NoteOn},
                                             {6 * Longest, NoteOff},
                                             {7 * Longest, NoteOn}})});
    const Folded folded = foldChecked(
        file, 1, "-> Fit [phone]: 3 tempos folded into 2, division 17000, every event within 0.47 ms");
    EXPECT_EQ(folded.tune.division, 17000);
    // The last note's old time past the kept change at old tick 1 (new tick
    // 17), in microseconds times 1000, then in new ticks of 0xFFFFFE us a
    // quarter: that time times the new division passes 2^63.
    const long double elapsed = static_cast<long double>(7LL * Longest - 2) * 0x0F0000 + 0xFFFFFE;
    EXPECT_EQ(folded.tune.events.back().tick, 17 + std::llround(elapsed * 17 / 0xFFFFFE));
}

TEST(TempoFolding, AHeldTempoOfNoneStopsTheClockAndTellsHowFarOff) {
    // After a Set Tempo of 0 every tick plays at one time: the events after
    // the fold all play there, the last nearly a second and a half early.
    const Bytes file = smfFile(
        0, 96,
        {trackBodyOf({{0, setTempo(0)}, {0, NoteOn}, {10, setTempo(500000)}, {40, NoteOff}, {288, NoteOn}})});
    FitTune tune = tuneOf(file);
    FitChanges changes("phone");
    foldTempos(tune, tempoLimit(0), changes);
    EXPECT_EQ(changes.lines(),
              std::vector<std::string>{"-> Fit [phone]: 2 tempos folded into 1, division 96, every "
                                       "event within 1447.92 ms"});
    for (const FitEvent& event : tune.events) EXPECT_EQ(event.tick, 0);
}
