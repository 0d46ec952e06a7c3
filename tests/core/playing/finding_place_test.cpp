// A finding's place is the written file's time and the source's bar and beat
// there: the tempos of every track count, bars follow the source's time
// signatures, SMPTE and division 0 have no bars, and nothing overflows.
#include "playing/finding_place.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "test_support.h"

namespace {
const Bytes EndOfTrack = {0x00, 0xFF, 0x2F, 0x00};
// 250,000 microseconds a quarter note at tick 1920 (two seconds at the default tempo).
const Bytes DoubleSpeedAtBar2 = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x8F, 0x00, 0xFF,
                                 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00};
const Bytes ThreeFour = {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};
const Bytes SixEight = {0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00};

std::string placeIn(const Bytes& file, int32_t track, int64_t tick) {
    return FindingPlace(file.data(), file.size()).at(track, tick);
}

std::string placeOf(const Bytes& written, const Bytes& source, int32_t track, int64_t tick) {
    return FindingPlace(written.data(), written.size(), source.data(), source.size()).at(track, tick);
}

std::string placeAtSeconds(const Bytes& file, double seconds) {
    return FindingPlace(file.data(), file.size()).atSeconds(seconds);
}
}  // namespace

TEST(FindingPlaceTime, FollowsEveryTempoChangeOfEveryTrack) {
    const Bytes format1 = smfFile(1, 480, {DoubleSpeedAtBar2, EndOfTrack});
    EXPECT_EQ(placeIn(format1, 1, 1920), "0:02.000 (bar 2 beat 1, track 1 tick 1920)");
    EXPECT_EQ(placeIn(format1, 1, 3840), "0:03.000 (bar 3 beat 1, track 1 tick 3840)");
    // The tempo may stand in any track, and format 2's tracks play on one clock.
    for (int format : {1, 2})
        EXPECT_EQ(placeIn(smfFile(format, 480, {EndOfTrack, DoubleSpeedAtBar2}), 0, 3840),
                  "0:03.000 (bar 3 beat 1, track 0 tick 3840)")
            << "format " << format;
    EXPECT_EQ(placeIn(smfFile(0, 480, {DoubleSpeedAtBar2}), 0, 2400),
              "0:02.250 (bar 2 beat 2, track 0 tick 2400)");
}

TEST(FindingPlaceTime, IsTheDefaultTempoInAFileWithoutOne) {
    const Bytes plain = smfFile(0, 480, {EndOfTrack});
    EXPECT_EQ(placeIn(plain, 0, 0), "0:00.000 (bar 1 beat 1, track 0 tick 0)");
    EXPECT_EQ(placeIn(plain, 0, 480), "0:00.500 (bar 1 beat 2, track 0 tick 480)");
}

// A tick of 1041.67 microseconds: the time is the millisecond the event falls in.
TEST(FindingPlaceTime, IsRoundedDownToTheMillisecond) {
    const Bytes plain = smfFile(0, 480, {EndOfTrack});
    EXPECT_EQ(placeIn(plain, 0, 1), "0:00.001 (bar 1 beat 1, track 0 tick 1)");
    EXPECT_EQ(placeIn(plain, 0, 479), "0:00.498 (bar 1 beat 1, track 0 tick 479)");
    EXPECT_EQ(placeIn(plain, 0, 959), "0:00.998 (bar 1 beat 2, track 0 tick 959)");
}

// Division 1000 at one second a quarter note: a tick is a millisecond.
TEST(FindingPlaceTime, CountsMinutesPastNineAndPastFiftyNine) {
    const Bytes milliseconds =
        smfFile(0, 1000, {{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(milliseconds, 0, 599999), "9:59.999 (bar 150 beat 4, track 0 tick 599999)");
    EXPECT_EQ(placeIn(milliseconds, 0, 600000), "10:00.000 (bar 151 beat 1, track 0 tick 600000)");
    EXPECT_EQ(placeIn(milliseconds, 0, 3662345), "61:02.345 (bar 916 beat 3, track 0 tick 3662345)");
}

TEST(FindingPlaceBars, CountTheBeatsOfTheTimeSignature) {
    const Bytes waltz = smfFile(1, 480, {ThreeFour, EndOfTrack});
    EXPECT_EQ(placeIn(waltz, 1, 1439), "0:01.498 (bar 1 beat 3, track 1 tick 1439)");
    EXPECT_EQ(placeIn(waltz, 1, 1440), "0:01.500 (bar 2 beat 1, track 1 tick 1440)");
    EXPECT_EQ(placeIn(waltz, 1, 1920), "0:02.000 (bar 2 beat 2, track 1 tick 1920)");
    // Six eighth-note beats a bar.
    const Bytes jig = smfFile(1, 480, {SixEight, EndOfTrack});
    EXPECT_EQ(placeIn(jig, 1, 239), "0:00.248 (bar 1 beat 1, track 1 tick 239)");
    EXPECT_EQ(placeIn(jig, 1, 240), "0:00.250 (bar 1 beat 2, track 1 tick 240)");
    EXPECT_EQ(placeIn(jig, 1, 1440), "0:01.500 (bar 2 beat 1, track 1 tick 1440)");
    EXPECT_EQ(placeIn(jig, 1, 1680), "0:01.750 (bar 2 beat 2, track 1 tick 1680)");
}

TEST(FindingPlaceBars, ATimeSignatureInsideABarStartsANewOne) {
    // 4/4, then 3/4 on beat 3 of bar 1.
    const Bytes onBeat3 =
        smfFile(0, 480, {{0x87, 0x40, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(onBeat3, 0, 959), "0:00.998 (bar 1 beat 2, track 0 tick 959)");
    EXPECT_EQ(placeIn(onBeat3, 0, 960), "0:01.000 (bar 2 beat 1, track 0 tick 960)");
    EXPECT_EQ(placeIn(onBeat3, 0, 960 + 1440), "0:02.500 (bar 3 beat 1, track 0 tick 2400)");
    // Between two beats, at tick 100.
    const Bytes offBeat =
        smfFile(0, 480, {{0x64, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(offBeat, 0, 100), "0:00.104 (bar 2 beat 1, track 0 tick 100)");
    EXPECT_EQ(placeIn(offBeat, 0, 580), "0:00.604 (bar 2 beat 2, track 0 tick 580)");
    // On a bar line, no bar is added; of two at one tick the last counts.
    const Bytes onBarLine =
        smfFile(0, 480, {{0x8F, 0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08, 0x00, 0xFF,
                          0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(onBarLine, 0, 1920), "0:02.000 (bar 2 beat 1, track 0 tick 1920)");
    EXPECT_EQ(placeIn(onBarLine, 0, 2400), "0:02.500 (bar 2 beat 2, track 0 tick 2400)");
}

TEST(FindingPlaceBars, AMeaninglessTimeSignatureIsLeftOut) {
    // 0 beats, a denominator of 2^16, and a signature of one data byte: 4/4 stays.
    for (const Bytes& meter :
         {Bytes{0xFF, 0x58, 0x04, 0x00, 0x02, 0x18, 0x08}, Bytes{0xFF, 0x58, 0x04, 0x03, 0x10, 0x18, 0x08},
          Bytes{0xFF, 0x58, 0x01, 0x03}}) {
        const Bytes file = smfFile(0, 480, {concat({{0x00}, meter, EndOfTrack})});
        EXPECT_EQ(placeIn(file, 0, 1440), "0:01.500 (bar 1 beat 4, track 0 tick 1440)") << hexText(meter);
    }
    // Two data bytes are enough.
    const Bytes shortMeter = smfFile(0, 480, {{0x00, 0xFF, 0x58, 0x02, 0x03, 0x02, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(shortMeter, 0, 1440), "0:01.500 (bar 2 beat 1, track 0 tick 1440)");
}

// The conversion drops time signatures and keeps the tempo map: the bars are
// the source's at the written file's time, in the source's own ticks.
TEST(FindingPlaceBars, AreTheSourcesAtTheWrittenFilesTime) {
    const Bytes written = smfFile(1, 960, {EndOfTrack, EndOfTrack});
    const Bytes source = smfFile(1, 480, {ThreeFour, EndOfTrack});
    EXPECT_EQ(placeOf(written, source, 1, 2880), "0:01.500 (bar 2 beat 1, track 1 tick 2880)");
    EXPECT_EQ(placeOf(written, source, 1, 2879), "0:01.499 (bar 1 beat 3, track 1 tick 2879)");
    // A source at one second a quarter note: two seconds are its beat 3.
    const Bytes slowSource =
        smfFile(0, 480, {{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeOf(smfFile(0, 480, {EndOfTrack}), slowSource, 0, 1920),
              "0:02.000 (bar 1 beat 3, track 0 tick 1920)");
}

TEST(FindingPlaceSmpte, CountsFramesAndHasNoBars) {
    // 25 frames a second of 40 ticks (E7 28): a tick is a millisecond, tempo or not.
    const Bytes pal = smfFile(0, 0xE728, {DoubleSpeedAtBar2});
    EXPECT_EQ(placeIn(pal, 0, 1000), "0:01.000 (track 0 tick 1000)");
    EXPECT_EQ(placeIn(pal, 0, 3840), "0:03.840 (track 0 tick 3840)");
    // 29 means 29.97: thirty frames of one tick take 1.001 s; 30 takes 1 s.
    EXPECT_EQ(placeIn(smfFile(0, 0xE301, {EndOfTrack}), 0, 30), "0:01.001 (track 0 tick 30)");
    EXPECT_EQ(placeIn(smfFile(0, 0xE301, {EndOfTrack}), 0, 30000), "16:41.000 (track 0 tick 30000)");
    EXPECT_EQ(placeIn(smfFile(0, 0xE201, {EndOfTrack}), 0, 30), "0:01.000 (track 0 tick 30)");
    // A written file of ticks per quarter note from an SMPTE source has no bars either.
    EXPECT_EQ(placeOf(smfFile(0, 480, {EndOfTrack}), pal, 0, 480), "0:00.500 (track 0 tick 480)");
    EXPECT_EQ(placeAtSeconds(pal, 1.5), "0:01.500");
}

TEST(FindingPlaceStill, DivisionZeroAndNoTicksAFrameNeverLeaveTheStart) {
    EXPECT_EQ(placeIn(smfFile(0, 0, {DoubleSpeedAtBar2}), 0, 5000), "0:00.000 (track 0 tick 5000)");
    EXPECT_EQ(placeIn(smfFile(0, 0xE700, {EndOfTrack}), 2, 5000), "0:00.000 (track 2 tick 5000)");
    const Bytes notMidi = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    EXPECT_EQ(placeIn(notMidi, 0, 7), "0:00.000 (track 0 tick 7)");
    EXPECT_EQ(placeAtSeconds(notMidi, 2.0), "0:02.000");
}

TEST(FindingPlaceSeconds, GivesTheSourcesBarAndBeatAtThatTime) {
    const Bytes waltz = smfFile(1, 480, {ThreeFour, DoubleSpeedAtBar2});
    EXPECT_EQ(placeAtSeconds(waltz, 0.0), "0:00.000 (bar 1 beat 1)");
    EXPECT_EQ(placeAtSeconds(waltz, 1.5), "0:01.500 (bar 2 beat 1)");
    // 2.001 is 2000.9999... milliseconds as a double.
    EXPECT_EQ(placeAtSeconds(waltz, 2.001), "0:02.001 (bar 2 beat 2)");
    EXPECT_EQ(placeAtSeconds(waltz, 2.25), "0:02.250 (bar 2 beat 3)");
    EXPECT_EQ(placeAtSeconds(waltz, -1.0), "0:00.000 (bar 1 beat 1)");
}

TEST(FindingPlaceLimits, HugeTimesHoldAtTheLargestInsteadOfOverflowing) {
    const Bytes plain = smfFile(0, 480, {EndOfTrack});
    // INT64_MAX microseconds times 480, as milliseconds.
    EXPECT_EQ(placeIn(plain, 0, INT64_MAX),
              "320255973:30.114 (bar 2147483647 beat 1, track 0 tick 9223372036854775807)");
    // Two thousand delta times of 2^28 - 1 ticks at 16.7 s a quarter note pass 2^63.
    Bytes body = {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 2100; ++i)
        body.insert(body.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF});
    body.insert(body.end(), EndOfTrack.begin(), EndOfTrack.end());
    const Bytes slow = smfFile(0, 1, {body});
    const std::string last = placeIn(slow, 0, int64_t{2100} * 0x0FFFFFFF);
    const std::string saturated = placeIn(slow, 0, INT64_MAX);
    EXPECT_EQ(last.substr(0, last.find(", track")), saturated.substr(0, saturated.find(", track"))) << last;
    EXPECT_NE(saturated.find("(bar 2147483647 beat "), std::string::npos) << saturated;
    EXPECT_EQ(placeAtSeconds(plain, 1e300).find("153722867280:54.775 (bar 2147483647 beat "), 0u)
        << placeAtSeconds(plain, 1e300);
}

TEST(FindingPlaceLimits, ATickBeforeTheStartIsTheStart) {
    EXPECT_EQ(placeIn(smfFile(0, 480, {DoubleSpeedAtBar2}), 0, -5),
              "0:00.000 (bar 1 beat 1, track 0 tick -5)");
    EXPECT_EQ(placeIn(smfFile(0, 480, {DoubleSpeedAtBar2}), 0, INT64_MIN),
              "0:00.000 (bar 1 beat 1, track 0 tick -9223372036854775808)");
    EXPECT_EQ(placeIn(smfFile(0, 0xE728, {EndOfTrack}), 0, -5), "0:00.000 (track 0 tick -5)");
}

// A tempo of 0 stops the clock: later events are where it stopped.
TEST(FindingPlaceLimits, AZeroTempoStopsTheClockWithoutFailing) {
    const Bytes stopped =
        smfFile(0, 480, {{0x83, 0x60, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(placeIn(stopped, 0, 960), "0:00.500 (bar 1 beat 2, track 0 tick 960)");
    EXPECT_EQ(placeAtSeconds(stopped, 0.75), "0:00.750 (bar 2147483647 beat 4)");
}
