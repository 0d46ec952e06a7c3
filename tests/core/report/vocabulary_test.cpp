#include "report/vocabulary.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>

namespace {
std::string note(int n, int sharpStyle) {
    char out[LookupTextSize];
    return noteName(n, sharpStyle, out);
}

std::string key(int count, int mode) {
    char out[LookupTextSize];
    return keyName(count, mode, out);
}
}  // namespace

TEST(InstrumentName, CoversTheProgramRangeOnly) {
    EXPECT_STREQ(instrumentName(0), "Acoustic Grand Piano");
    EXPECT_STREQ(instrumentName(88), "Pad 1 (new_age)");
    EXPECT_STREQ(instrumentName(127), "Gunshot");
    EXPECT_STREQ(instrumentName(128), "???");
    EXPECT_STREQ(instrumentName(-1), "???");
}

TEST(DrumName, CoversTheGeneralMidiPercussionMap) {
    char out[LookupTextSize];
    EXPECT_STREQ(drumName(34, out), "???");
    EXPECT_STREQ(drumName(35, out), "Acoustic Bass Drum");
    EXPECT_STREQ(drumName(81, out), "Open Triangle");
    EXPECT_STREQ(drumName(82, out), "???");
}

// The event text file reads percussion notes back by abbreviation, so each
// must be three characters and name one note only.
TEST(DrumAbbreviations, AreThreeCharactersAndUnique) {
    std::set<std::string> seen;
    for (const auto& abbreviation : GM_DRUM_ABBREVIATIONS) {
        EXPECT_EQ(std::string(abbreviation).size(), 3u) << abbreviation;
        seen.insert(abbreviation);
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(DrumNoteCount));
    EXPECT_STREQ(GM_DRUM_ABBREVIATIONS[0], "ABD");
    EXPECT_STREQ(GM_DRUM_ABBREVIATIONS[DrumNoteCount - 1], "OTR");
}

TEST(NoteName, OctaveHasNoOffsetAndSharpsFollowTheStyle) {
    EXPECT_EQ(note(0, 0), "O0C");
    EXPECT_EQ(note(60, 0), "O5C");
    EXPECT_EQ(note(61, 1), "O5C#");
    EXPECT_EQ(note(61, 0), "O5c");
    EXPECT_EQ(note(66, 1), "O5F#");
    EXPECT_EQ(note(120, 1), "O10C");
    EXPECT_EQ(note(127, 0), "O10G");
    EXPECT_EQ(note(188, 0), "O5C");  // high bit ignored
}

TEST(ChannelNoteName, PercussionChannelNamesDrums) {
    char out[LookupTextSize];
    EXPECT_STREQ(channelNoteName(9, 38, 1, out), "Acoustic Snare");
    EXPECT_STREQ(channelNoteName(9, 20, 1, out), "???");
    EXPECT_STREQ(channelNoteName(9, 38 + 128, 1, out), "???");  // drums are not masked
    EXPECT_STREQ(channelNoteName(0, 38, 1, out), "O3D");
    EXPECT_STREQ(channelNoteName(8, 39, 0, out), "O3d");
}

TEST(ControllerName, KeepsTrailingBlanksAndMarksUnnamedSlots) {
    const std::pair<int, const char*> cases[] = {
        {7, "Channel Volume "}, {135, "Channel Volume "},     {3, "Undefined"}, {9, "???"}, {10, "???"},
        {119, "???"},           {127, "[CMM] Poly Mode On "},
    };
    for (const auto& [controller, text] : cases) EXPECT_STREQ(controllerName(controller), text) << controller;
}

TEST(ControllerName, NumberedRangesCountFromTheirOwnStart) {
    const std::pair<int, const char*> cases[] = {
        {16, "General Purpose Controller 1"}, {19, "General Purpose Controller 4"},
        {80, "General Purpose Controller 5"}, {83, "General Purpose Controller 8"},
        {32, "LSB for Control 0 "},           {63, "LSB for Control 31 "},
        {70, "Sound Controller 1 "},          {79, "Sound Controller 10 "},
        {84, "Portamento Control"},           {101, "RPN - MSB*"},
    };
    for (const auto& [controller, text] : cases) EXPECT_STREQ(controllerName(controller), text) << controller;
}

TEST(KeyName, MajorAndMinorKeysFromTheSignedCount) {
    const std::tuple<int, int, const char*> cases[] = {
        {0, 0, "C  major"},    {0, 1, "A  minor"},    {-1, 0, "F  major"},
        {-2, 0, "Bb major"},   {3, 1, "F# minor"},    {7, 1, "A# minor"},
        {0xF9, 0, "Cb major"}, {0xFE, 5, "G  minor"},  // any non-zero mode is minor
        {9, 0, "?? major"},    {0x08, 0, "?? major"}, {0x80, 1, "?? minor"},
        {-8, 0, "?? major"},
    };
    for (const auto& [count, mode, text] : cases) EXPECT_EQ(key(count, mode), text) << count << " " << mode;
}

TEST(LookupBuffer, ReturningFormsShareOneBuffer) {
    const char* first = instrumentName(0);
    const char* second = controllerName(7);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Channel Volume ");
    EXPECT_STREQ(keyName(0, 0), "C  major");
    EXPECT_STREQ(channelNoteName(0, 60, 0), "O5C");
}

TEST(PowerOfTwo, WrapsInThirtyTwoBits) {
    EXPECT_EQ(powerOfTwo(0), 1);
    EXPECT_EQ(powerOfTwo(-3), 1);
    EXPECT_EQ(powerOfTwo(3), 8);
    EXPECT_EQ(powerOfTwo(31), INT32_MIN);
    EXPECT_EQ(powerOfTwo(32), 0);
    EXPECT_EQ(powerOfTwo(127), 0);
}

TEST(FormatHexBytes, WritesTwoUpperCaseDigitsAndABlankPerByte) {
    const uint8_t bytes[] = {0x00, 0x0A, 0xF0, 0xFF};
    char out[3 * 4 + 1];
    EXPECT_EQ(formatHexBytes(bytes, 4, out), 12);
    EXPECT_STREQ(out, "00 0A F0 FF ");
    EXPECT_EQ(formatHexBytes(bytes, 0, out), 0);
    EXPECT_STREQ(out, "");
}
