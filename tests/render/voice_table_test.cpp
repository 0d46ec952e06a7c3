// The committed voice table is what the synthesizer measures: a library that
// spends its voices otherwise, or a measure that changed, shows as the first
// line or entry of the table that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "playing/voice_release_table.h"
#include "test_support.h"
#include "voice_table_builder.h"

namespace {
constexpr int BothCores = 2;

std::string lineAt(const std::string& text, size_t line) {
    std::istringstream lines(text);
    std::string found;
    for (size_t i = 0; i <= line && std::getline(lines, found); ++i) {
    }
    return found;
}

size_t firstDifferentLine(const std::string& a, const std::string& b) {
    const size_t common = std::min(a.size(), b.size());
    const auto at =
        std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin()).first;
    return static_cast<size_t>(std::count(a.begin(), at, '\n'));
}

// An entry with its release row written out, as the compiled table has it
// and as a measure makes it.
std::string entryText(int32_t sound, int32_t firstKey, int32_t lastKey, int32_t voices, int32_t natural,
                      const uint16_t* row) {
    std::ostringstream text;
    text << "sound " << sound << " keys " << firstKey << "-" << lastKey << ": " << voices
         << " voices, natural " << natural << ", release";
    for (int32_t band = 0; band < HeldBandCount; ++band) text << ' ' << row[band];
    return text.str();
}

std::vector<std::string> compiledEntries(const std::vector<int32_t>& sounds) {
    std::vector<std::string> entries;
    for (int32_t i = 0; i < VoiceKeyRangeCount; ++i) {
        const VoiceKeyRange& range = VoiceKeyRanges[i];
        if (std::find(sounds.begin(), sounds.end(), range.sound) != sounds.end())
            entries.push_back(entryText(range.sound, range.firstKey, range.lastKey, range.voices,
                                        range.naturalBuffers, VoiceReleaseRows[range.releaseRow]));
    }
    return entries;
}

std::vector<std::string> measuredEntries(const std::vector<int32_t>& sounds, int workers) {
    const MeasuredVoiceTable table = measureVoiceTable(sounds, workers);
    std::vector<std::string> entries;
    for (const MeasuredRange& range : table.ranges)
        entries.push_back(entryText(range.sound, range.firstKey, range.lastKey, range.voices,
                                    range.naturalBuffers,
                                    table.releaseRows[static_cast<size_t>(range.releaseRow)].data()));
    return entries;
}
}  // namespace

TEST(VoiceTable, TheCommittedTableIsWhatTheSynthesizerMeasuresToday) {
#ifdef QUAVEL_REDUCED_CORPUS
    GTEST_SKIP() << "the whole table is measured in the plain build; this one measures a few sounds below";
#endif
    const std::string committed = readText(QUAVEL_SOURCE_DIR "/core/playing/voice_release_table.cpp");
    const std::string measured =
        voiceTableSource(measureVoiceTable(allVoiceSounds(), BothCores), VoiceTableCommand);
    if (measured == committed) return;
    const size_t line = firstDifferentLine(committed, measured);
    ADD_FAILURE() << "core/playing/voice_release_table.cpp differs from the measure at line " << line + 1
                  << ":\n  committed: " << lineAt(committed, line)
                  << "\n  measured:  " << lineAt(measured, line)
                  << "\nRegenerate with: " << VoiceTableCommand;
}

TEST(VoiceTable, SoundsMeasureAsTheCompiledTableSaysWithAnyNumberOfWorkers) {
    const std::vector<int32_t> sounds = {0, 55, DrumKitSound};
    const std::vector<std::string> compiled = compiledEntries(sounds);
    for (int workers : {1, 3}) EXPECT_EQ(measuredEntries(sounds, workers), compiled) << workers << " workers";
}
