// With -S and no slimming, the check takes its voices from the play that
// measured the MIP values, not from a play of its own: what it says must be
// what a check of the written file alone says.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_facts.h"
#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "handset_tunes.h"
#include "job/converted_file.h"
#include "playing/mip_measure.h"
#include "test_support.h"
#include "voice_count_expect.h"

namespace {
HandsetProfile profileOf(const std::string& name, const std::string& text) {
    std::istringstream stream(text);
    HandsetProfile profile;
    EXPECT_TRUE(parseHandsetProfile(stream, name, profile).ok()) << text;
    return profile;
}

std::vector<std::string> linesOf(const std::vector<HandsetFit>& fits) {
    std::vector<std::string> lines;
    for (const HandsetFit& fit : fits)
        for (const std::string& line : fit.lines()) lines.push_back(line);
    return lines;
}

// A generated tune of many channels and notes, with a tempo and a pedal.
Bytes busyTune() {
    std::vector<TickedEvent> events = {{0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}};
    for (int k = 0; k < 300; ++k) {
        const auto channel = static_cast<uint8_t>(k % 7 == 3 ? 9 : k % 5);
        const auto key = static_cast<uint8_t>(40 + (k * 7) % 40);
        const int32_t tick = 37 * k;
        events.push_back({tick, {static_cast<uint8_t>(0x90 | channel), key, 0x64}});
        events.push_back({tick + 200 + (k % 3) * 150, {static_cast<uint8_t>(0x80 | channel), key, 0x40}});
        if (k % 40 == 0)
            events.push_back({tick, {0xB1, 0x40, static_cast<uint8_t>(k % 80 == 0 ? 0x7F : 0x00)}});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
    return smfFile(0, 480, {trackBodyOf(events)});
}

std::vector<Bytes> checkedTunes() {
    std::vector<Bytes> tunes = {busyTune(), controllersTune()};
    for (const std::string& path : corpusTunePaths()) tunes.push_back(readFile(path));
    for (const std::string& path : regressionTunePaths()) tunes.push_back(readFile(path));
    return tunes;
}

}  // namespace

TEST(HandsetCheckVoices, TheMipMeasureCountsEveryHandsetAsAPlayOfTheFileWithItsMessage) {
    int shared = 0;
    const std::vector<Bytes> tunes = checkedTunes();
    for (size_t k = 0; k < tunes.size(); ++k) {
        SCOPED_TRACE("tune " + std::to_string(k));
        Bytes bytes = convertForHandset(tunes[k], 1, slimSettings(false, false)).bytes;
        std::vector<SpMidiEntry> mips;
        MeasuredVoices measured;
        ASSERT_TRUE(computeSpMidiMips(bytes.data(), bytes.size(), {3, 1}, mips, measured).ok());
        if (!measured.known || mips.empty() || !insertLeadingEvent(bytes, spMidiMessage(mips))) continue;
        ++shared;
        const FitFacts facts(bytes.data(), bytes.size());
        expectSameVoiceCount(measured.everyChannel, facts.peakVoices(NoMipMuting));
        for (int32_t voices = 1; voices <= 40; ++voices) {
            SCOPED_TRACE(std::to_string(voices) + " voices");
            expectSameVoiceCount(measured.mutingHandset(mips, voices), facts.peakVoices(voices));
        }
    }
    EXPECT_GT(shared, 20);
}

TEST(HandsetCheckVoices, TheMipPlaysVoicesAreThoseOfAPlayOfTheWrittenFile) {
    Job steps;
    steps.spMidi.enabled = 1;
    steps.profiles = {profileOf("a", "voices = 16\nmip = allowed"),
                      profileOf("b", "voices = 24\nmip = required\nmip-first-max = 6"),
                      profileOf("c", "voices = 4\nmip = ignored"),
                      profileOf("d", "voices = 3\nmip = allowed"),
                      profileOf("e", "voices = 1\nmip = allowed")};
    const std::vector<Bytes> tunes = checkedTunes();
    int withFindings = 0;
    for (size_t k = 0; k < tunes.size(); ++k)
        for (const std::vector<int>& order : {std::vector<int>{}, std::vector<int>{4, 1}}) {
            SCOPED_TRACE("tune " + std::to_string(k));
            steps.spMidi.priority = order;
            const ConvertedFile made = convertForHandset(tunes[k], 1, steps);
            if (made.bytes.empty()) continue;
            std::vector<HandsetFit> alone;
            const Bytes& source = tunes[k];
            ASSERT_TRUE(checkHandsetFits(CheckedFile{made.bytes, source.data(), source.size(), nullptr},
                                         steps.profiles, alone)
                            .ok());
            EXPECT_EQ(linesOf(made.fits), linesOf(alone));
            withFindings += linesOf(alone).size() > steps.profiles.size() ? 1 : 0;
        }
    EXPECT_GT(withFindings, 1);
}
