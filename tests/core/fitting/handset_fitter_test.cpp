// The fit's own rules on byte-literal tunes: unsupported messages, voices
// (thinning and the SP-MIDI order), format 0 and size; and a file that fits
// is left byte for byte.
#include "fitting/handset_fitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "fitting/fit_tune.h"
#include "job/converted_file.h"
#include "playing/mip_message.h"
#include "test_support.h"

namespace {
HandsetProfile profileOf(const std::string& text) {
    std::istringstream stream(text);
    HandsetProfile profile;
    EXPECT_TRUE(parseHandsetProfile(stream, "p", profile).ok()) << text;
    return profile;
}

struct Fitted {
    Bytes bytes;
    std::vector<std::string> lines;
    SpMidiSettings spMidi;
};

Fitted fitEventsOf(const Bytes& tune, const HandsetProfile& profile, SpMidiSettings spMidi = {}) {
    Fitted fitted{tune, {}, spMidi};
    FitChanges changes(profile.name);
    EXPECT_TRUE(fitEvents(fitted.bytes, EventFitInput{nullptr, 0, 1}, profile, fitted.spMidi, changes).ok());
    fitted.lines = changes.lines();
    return fitted;
}

std::vector<std::string> findingsOf(const Bytes& bytes, const HandsetProfile& profile) {
    std::vector<HandsetFit> fits;
    EXPECT_TRUE(checkHandsetFits(bytes, {profile}, fits).ok());
    return fits.front().findings;
}

uint8_t byte(int value) {
    return static_cast<uint8_t>(value);
}

// count notes of channel from key up, all sounding from start to end.
void addChord(std::vector<TickedEvent>& events, int channel, int lowestKey, int count, int start, int end) {
    for (int k = 0; k < count; ++k) {
        events.push_back({start, {byte(0x90 | channel), byte(lowestKey + k), 0x64}});
        events.push_back({end, {byte(0x80 | channel), byte(lowestKey + k), 0x40}});
    }
}

Bytes tuneOf(std::vector<TickedEvent> events) {
    return smfFile(0, 480, {trackBodyOf(std::move(events))});
}

// The file as the fit writes it, under running status.
Bytes asWritten(const Bytes& file) {
    FitTune tune;
    EXPECT_TRUE(tune.read(file.data(), file.size()));
    Bytes written;
    EXPECT_TRUE(tune.write(1, written));
    return written;
}

const char* const SixteenVoices = "voices = 16\nmip = ignored\n";

// Fitted to 16 voices: one line with these counts, and the check finds nothing.
Fitted thinnedTo16(const std::vector<TickedEvent>& events, const std::string& counts) {
    const HandsetProfile profile = profileOf(SixteenVoices);
    const Fitted fitted = fitEventsOf(tuneOf(events), profile);
    EXPECT_EQ(fitted.lines.size(), 1u);
    EXPECT_NE(fitted.lines.front().find(counts), std::string::npos) << fitted.lines.front();
    EXPECT_TRUE(findingsOf(fitted.bytes, profile).empty());
    return fitted;
}

TEST(VoicesFit, ExactlyAtTheLimitNothingChanges) {
    std::vector<TickedEvent> events;
    addChord(events, 0, 48, 16, 0, 960);
    const Bytes tune = tuneOf(events);
    const Fitted fitted = fitEventsOf(tune, profileOf(SixteenVoices));
    EXPECT_EQ(fitted.bytes, tune);
    EXPECT_TRUE(fitted.lines.empty());
}

TEST(VoicesFit, OneOverOnTheLowestChannelIsLeftOut) {
    std::vector<TickedEvent> events;
    addChord(events, 0, 48, 16, 0, 960);
    addChord(events, 1, 70, 1, 480, 1440);
    const HandsetProfile profile = profileOf(SixteenVoices);
    const Fitted fitted = fitEventsOf(tuneOf(events), profile);
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_EQ(fitted.lines[0].rfind("-> Fit [p]: 1 notes left out, 0 ended early, to play within 16 voices, "
                                    "first at 0:00.500",
                                    0),
              0u)
        << fitted.lines[0];
    EXPECT_TRUE(findingsOf(fitted.bytes, profile).empty());
    FitTune written;
    ASSERT_TRUE(written.read(fitted.bytes.data(), fitted.bytes.size()));
    ASSERT_EQ(written.events.size(), 33u) << "the note-off that ended only that note goes with it";
    for (const FitEvent& event : written.events) EXPECT_NE(written.bytesOf(event)[0] & 0x0F, 1);
}

TEST(VoicesFit, AHigherChannelEndsTheLongestNoteOfTheLowestEarly) {
    std::vector<TickedEvent> events;
    addChord(events, 1, 48, 1, 0, 3840);
    addChord(events, 1, 50, 15, 960, 3840);
    addChord(events, 0, 70, 1, 2880, 3840);
    const Fitted fitted = thinnedTo16(events, "0 notes left out, 1 ended early");
    // Key 48, the one that sounded longest, now ends before the new note and after its own start.
    const std::vector<DecodedEvent> decoded = decodeBody(chunkBodies(fitted.bytes).front());
    int64_t tick = 0;
    int64_t endOf48 = -1;
    for (const DecodedEvent& event : decoded) {
        tick += event.delta;
        if (event.bytes.size() == 3 && event.bytes[0] == 0x81 && event.bytes[1] == 48 && endOf48 < 0)
            endOf48 = tick;
    }
    EXPECT_GT(endOf48, 0);
    EXPECT_LT(endOf48, 2880);
}

TEST(VoicesFit, ANoteUnderThePedalCannotBeEndedSoTheNewNoteGoes) {
    std::vector<TickedEvent> events = {{0, {0xB1, 0x40, 0x7F}}};
    addChord(events, 1, 48, 16, 0, 3840);
    addChord(events, 0, 70, 1, 2880, 3840);
    thinnedTo16(events, "1 notes left out, 0 ended early");
}

TEST(VoicesFit, TheGivenOrderDecidesWhichChannelIsLowest) {
    std::vector<TickedEvent> events;
    addChord(events, 0, 48, 16, 0, 960);
    addChord(events, 1, 70, 1, 480, 1440);
    SpMidiSettings spMidi;
    spMidi.priority = {1, 0};
    const Fitted fitted = fitEventsOf(tuneOf(events), profileOf(SixteenVoices), spMidi);
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_NE(fitted.lines[0].find("0 notes left out, 1 ended early"), std::string::npos) << fitted.lines[0];
}

// Channel 0: 10 voices and 30 notes; channel 1: 5 and 10; channel 2: 8 and
// 20, in rounds far enough apart that no voice sounds from one to the next.
Bytes threeChannels() {
    constexpr int Round = 7680;
    std::vector<TickedEvent> events;
    for (int round = 0; round < 3; ++round) addChord(events, 0, 40, 10, round * Round, round * Round + 240);
    for (int round = 0; round < 2; ++round) addChord(events, 1, 60, 5, round * Round, round * Round + 240);
    for (int round = 0; round < 2; ++round) addChord(events, 2, 70, 8, round * Round, round * Round + 240);
    addChord(events, 2, 70, 4, 2 * Round, 2 * Round + 240);
    return tuneOf(events);
}

TEST(SpMidiOrderFit, MostNotesFirstThenWhatStillFits) {
    const Fitted fitted = fitEventsOf(threeChannels(), profileOf("voices = 16\nmip = allowed\n"));
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_EQ(fitted.lines[0], "-> Fit [p]: SP-MIDI order 01");
    EXPECT_EQ(fitted.spMidi.enabled, 1);
    EXPECT_EQ(fitted.spMidi.priority, (std::vector<int>{0, 1}));
    EXPECT_EQ(fitted.bytes, threeChannels()) << "the order alone changes nothing in the events";
}

TEST(SpMidiOrderFit, TheFirstMustKeepTheFirstLimit) {
    const Fitted fitted =
        fitEventsOf(threeChannels(), profileOf("voices = 16\nmip = required\nmip-first-max = 8\n"));
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_EQ(fitted.lines[0], "-> Fit [p]: SP-MIDI order 21");
}

TEST(SpMidiOrderFit, NoChannelAloneFitsSoTheFirstIsThinned) {
    const Fitted fitted =
        fitEventsOf(threeChannels(), profileOf("voices = 16\nmip = required\nmip-first-max = 4\n"));
    ASSERT_EQ(fitted.lines.size(), 2u);
    EXPECT_NE(fitted.lines[0].find("notes left out, 0 ended early, to play within 4 voices"),
              std::string::npos)
        << fitted.lines[0];
    EXPECT_EQ(fitted.lines[1].rfind("-> Fit [p]: SP-MIDI order 0", 0), 0u) << fitted.lines[1];
}

TEST(SpMidiOrderFit, AGivenOrderIsKept) {
    SpMidiSettings spMidi;
    spMidi.enabled = 1;
    spMidi.priority = {2};
    const Fitted fitted = fitEventsOf(threeChannels(), profileOf("voices = 16\nmip = required\n"), spMidi);
    EXPECT_TRUE(fitted.lines.empty());
    EXPECT_EQ(fitted.spMidi.priority, (std::vector<int>{2}));
}

// threeChannels with a MIP message of its own first, as a source's stays without -S.
Bytes withMipMessage(const std::vector<SpMidiEntry>& entries) {
    Bytes tune = threeChannels();
    EXPECT_TRUE(insertLeadingEvent(tune, spMidiMessage(entries)));
    return tune;
}

bool holdsMipMessage(const Bytes& file) {
    const Bytes head = {0x7F, 0x7F, 0x0B, 0x01};
    return std::search(file.begin(), file.end(), head.begin(), head.end()) != file.end();
}

TEST(SpMidiOrderFit, AMessageTheFileCarriesIsKeptWhereItFitsAndReplacedWhereNot) {
    const HandsetProfile profile = profileOf("voices = 16\nmip = allowed\n");
    const Bytes fitting = withMipMessage({{0, 10}, {1, 15}, {2, 23}});
    Fitted fitted = fitEventsOf(fitting, profile);
    EXPECT_TRUE(fitted.lines.empty());
    EXPECT_EQ(fitted.bytes, fitting);
    // This message lets a 16-voice handset play channels 2 and 0, 18 voices: a new order takes its place.
    const Bytes wrong = withMipMessage({{2, 8}, {0, 10}});
    fitted = fitEventsOf(wrong, profileOf("voices = 16\nmip = allowed\nmip-first-max = 8\n"));
    EXPECT_EQ(fitted.lines, (std::vector<std::string>{"-> Fit [p]: SP-MIDI order 21"}));
    EXPECT_FALSE(holdsMipMessage(fitted.bytes)) << "the MIP step writes the one message";
}

TEST(UnsupportedFit, EachKindFoundIsLeftOutAndCounted) {
    std::vector<TickedEvent> events = {{0, {0xE0, 0x00, 0x50}},
                                       {10, {0xE1, 0x00, 0x40}},
                                       {20, {0xB0, 0x0A, 0x40}},
                                       {30, {0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x60, 0xF7}},
                                       {40, {0xF0, 0x03, 0x43, 0x10, 0xF7}},
                                       {50, {0xB0, 0x07, 0x64}}};
    addChord(events, 0, 60, 1, 0, 480);
    const HandsetProfile profile = profileOf("unsupported = pitch-bend pan master-volume sysex\n");
    const Fitted fitted = fitEventsOf(tuneOf(events), profile);
    EXPECT_EQ(fitted.lines,
              (std::vector<std::string>{
                  "-> Fit [p]: left out 2 pitch bends", "-> Fit [p]: left out 1 pan message",
                  "-> Fit [p]: left out 1 master volume message", "-> Fit [p]: left out 2 sysex messages"}));
    EXPECT_TRUE(findingsOf(fitted.bytes, profile).empty());
    std::vector<TickedEvent> kept = {{50, {0xB0, 0x07, 0x64}}};
    addChord(kept, 0, 60, 1, 0, 480);
    std::stable_sort(kept.begin(), kept.end(),
                     [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
    EXPECT_EQ(fitted.bytes, asWritten(tuneOf(kept)));
}

TEST(UnsupportedFit, AFileWithoutThemIsLeftByteForByte) {
    std::vector<TickedEvent> events = {{0, {0xB0, 0x07, 0x64}}};
    addChord(events, 0, 60, 3, 0, 480);
    const Bytes tune = tuneOf(events);
    const Fitted fitted = fitEventsOf(tune, profileOf("unsupported = pitch-bend pan\nvoices = 3\n"));
    EXPECT_EQ(fitted.bytes, tune);
    EXPECT_TRUE(fitted.lines.empty());
}

struct FormatFitted {
    Bytes bytes;
    std::vector<std::string> lines;
    SlimOutcome slim;
};

FormatFitted fitFormatOf(const Bytes& tune, const HandsetProfile& profile, SlimSettings asked = {}) {
    FormatFitted fitted{tune, {}, {}};
    FitChanges changes(profile.name);
    EXPECT_TRUE(fitFormatAndSize(fitted.bytes, profile, asked, fitted.slim, changes).ok());
    fitted.lines = changes.lines();
    return fitted;
}

Bytes twoTracks(int format) {
    return smfFile(format, 480,
                   {trackBodyOf({{0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}}),
                    trackBodyOf({{0, {0x90, 60, 0x64}}, {480, {0x80, 60, 0x40}}})});
}

TEST(FormatFit, AFormatNotAllowedBecomesFormatZero) {
    for (const int format : {1, 2}) {
        const HandsetProfile profile = profileOf("formats = 0\n");
        const FormatFitted fitted = fitFormatOf(twoTracks(format), profile);
        EXPECT_EQ(fitted.lines, (std::vector<std::string>{"-> Fit [p]: format " + std::to_string(format) +
                                                          " to format 0, 2 tracks to 1"}));
        EXPECT_TRUE(findingsOf(fitted.bytes, profile).empty()) << format;
    }
}

TEST(FormatFit, TooManyTracksAreMergedEvenWhereSlimmingFindsTracksSmaller) {
    const HandsetProfile profile = profileOf("max-tracks = 1\n");
    const FormatFitted fitted = fitFormatOf(twoTracks(1), profile, SlimSettings{1, 0, 0});
    EXPECT_EQ(fitted.lines.size(), 1u);
    EXPECT_TRUE(findingsOf(fitted.bytes, profile).empty());
}

TEST(FormatFit, AllowedFormatsAndSizesAreLeftAlone) {
    const Bytes tune = twoTracks(1);
    const FormatFitted fitted =
        fitFormatOf(tune, profileOf("formats = 0 1\nmax-tracks = 2\nmax-bytes = 1000\n"));
    EXPECT_EQ(fitted.bytes, tune);
    EXPECT_TRUE(fitted.lines.empty());
    EXPECT_FALSE(fitted.slim.done);
}

TEST(SizeFit, SlimmingThenTheCopyrightNotice) {
    const Bytes notice = {0xFF, 0x02, 0x1F, 'c', 'o', 'p', 'y', 'r', 'i', 'g', 'h', 't',
                          ' ',  'b',  'y',  ' ', 's', 'o', 'm', 'e', 'o', 'n', 'e', ' ',
                          'w',  'h',  'o',  ' ', 'w', 'r', 'o', 't', 'e', ' '};
    const Bytes tune = smfFile(0, 480,
                               {trackBodyOf({{0, notice},
                                             {0, {0xFF, 0x03, 0x04, 'n', 'a', 'm', 'e'}},
                                             {0, {0x90, 60, 0x64}},
                                             {480, {0x80, 60, 0x40}}})});
    const HandsetProfile slimEnough = profileOf("max-bytes = " + std::to_string(tune.size() - 8) + "\n");
    FormatFitted fitted = fitFormatOf(tune, slimEnough);
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_TRUE(findingsOf(fitted.bytes, slimEnough).empty());
    EXPECT_NE(std::search(fitted.bytes.begin(), fitted.bytes.end(), notice.begin(), notice.end()),
              fitted.bytes.end())
        << "slimming was enough: the notice stays";
    const HandsetProfile small = profileOf("max-bytes = 40\n");
    fitted = fitFormatOf(tune, small);
    ASSERT_EQ(fitted.lines.size(), 1u);
    EXPECT_EQ(fitted.lines[0], "-> Fit [p]: " + std::to_string(fitted.bytes.size()) + " bytes from " +
                                   std::to_string(tune.size()));
    EXPECT_TRUE(findingsOf(fitted.bytes, small).empty()) << fitted.bytes.size();
    EXPECT_EQ(std::search(fitted.bytes.begin(), fitted.bytes.end(), notice.begin(), notice.end()),
              fitted.bytes.end());
    const HandsetProfile tiny = profileOf("max-bytes = 10\n");
    fitted = fitFormatOf(tune, tiny);
    EXPECT_EQ(findingsOf(fitted.bytes, tiny).size(), 1u) << "still over: a finding";
}
}  // namespace
