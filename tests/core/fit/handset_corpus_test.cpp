// On the real tunes of the Debian corpus and on their conversions, the
// handset check's figures agree with counts that an independent decoder
// (mido, run by the system's python3) makes of the same files.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "fit/fit_facts.h"
#include "handset_tunes.h"
#include "pass/file_pass.h"
#include "report/analysis_report.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
// Each tune converted as quavel converts it by default, into the working folder.
std::vector<std::string> convertedTunes(const std::vector<std::string>& tunes) {
    std::vector<std::string> converted;
    for (size_t k = 0; k < tunes.size(); ++k) {
        const ConvertedFile made = convertForHandset(readFile(tunes[k]), 1, slimSettings(false, false));
        EXPECT_FALSE(made.bytes.empty()) << tunes[k];
        converted.push_back(writeFile("corpus" + std::to_string(k) + ".mid", made.bytes));
    }
    return converted;
}

std::string field(int64_t value) {
    return " " + std::to_string(value);
}

// The figures in the script's form, from the check's own measure.
std::string ourCounts(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        const Bytes bytes = readFile(path);
        const FitFacts facts(bytes.data(), bytes.size());
        const PeakNotes peak = facts.peakNotes(0xFFFF);
        text += "file " + path + "\nnotes" + field(peak.count) + field(peak.tick) + field(peak.track) + "\n";
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const Tally& bends = facts.messages[static_cast<int>(MessageKind::PitchBend)][channel];
            if (bends.count > 0)
                text += "pitch-bend" + field(channel) + field(bends.count) + field(bends.first.track) +
                        field(bends.first.tick) + "\n";
        }
        const Tally& texts = facts.messages[static_cast<int>(MessageKind::TextEvents)][0];
        if (texts.count > 0)
            text += "text" + field(texts.count) + field(texts.first.track) + field(texts.first.tick) + "\n";
    }
    return text;
}

std::string independentCounts(const std::vector<std::string>& paths) {
    std::string command = "/usr/bin/python3 " + testDataPath("../tools/mido_fit_counts.py");
    for (const std::string& path : paths) command += " '" + path + "'";
    const CommandOutput output = runCommand(command);
    EXPECT_EQ(output.status, 0) << command;
    std::string text;
    for (const std::string& line : output.lines) text += line + "\n";
    return text;
}
}  // namespace

TEST(HandsetCheckCorpus, FiguresAgreeWithAnIndependentDecoder) {
    const std::vector<std::string> tunes = corpusTunePaths();
    ASSERT_GE(tunes.size(), 31u) << "the openttd-openmsx tunes are not installed";
    std::vector<std::string> paths = tunes;
    const std::vector<std::string> converted = convertedTunes(tunes);
    paths.insert(paths.end(), converted.begin(), converted.end());
    const std::string ours = ourCounts(paths);
    // The tunes have chords, pitch bends and texts: the counts are not all zero.
    EXPECT_NE(ours.find("pitch-bend"), std::string::npos);
    EXPECT_NE(ours.find("text"), std::string::npos);
    EXPECT_EQ(ours, independentCounts(paths));
}
#endif
