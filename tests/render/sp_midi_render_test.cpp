// Plays converted tunes on the handset synthesizer library: with the MIP
// message, a synthesizer of P voices must sound exactly as if the channels
// whose MIP is above P had no notes, and at the largest MIP every channel plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "convert_midi_file.h"
#include "convert_options.h"
#include "delta_time.h"
#include "fatal_error_recorder.h"
#include "handset_synth.h"
#include "mtrk.h"
#include "smf_header.h"
#include "sp_midi.h"
#include "sp_midi_tunes.h"
#include "test_support.h"
#include "vfile.h"

namespace {
constexpr int MaxSynthVoices = 64;

// The console's two passes, both in memory: measure the converted tune, then
// convert again with its message.
Bytes convertWithMips(const Bytes& source, const std::vector<int>& priority,
                      std::vector<SpMidiEntry>& entries) {
    EXPECT_TRUE(loadSource(source));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    SpMidi = SpMidiSettings();
    SpMidi.enabled = 1;
    SpMidi.priority = priority;
    Bytes converted;
    EXPECT_TRUE(convertMidiFileToMemory(converted, Steps * StepTicks));
    entries = computeSpMidiMips(converted.data(), converted.size(), priority);
    SpMidi.message = spMidiMessage(entries);
    EXPECT_TRUE(convertMidiFileToMemory(converted, Steps * StepTicks));
    SpMidi = SpMidiSettings();
    return converted;
}

class SpMidiRender : public ::testing::TestWithParam<TuneShape> {
protected:
    void SetUp() override {
        resetConvertOptions();
        ConvertOptions.detectLevel = 1;
        ConvertOptions.noTimeDetect = 0;
        fatalErrors.clear();
    }
};

}  // namespace

TEST_P(SpMidiRender, TheSynthesizerMutesExactlyTheChannelsAboveItsPolyphony) {
    std::vector<SpMidiEntry> entries;
    const Bytes converted = convertWithMips(generateTune(GetParam()), GetParam().priority, entries);
    ASSERT_TRUE(fatalErrors.empty());
    ASSERT_EQ(entries.size(), GetParam().channels.size());
    const int smallest = entries.front().mip;
    const int largest = entries.back().mip;
    ASSERT_LE(largest, MaxSynthVoices);
    ASSERT_LT(smallest, largest) << "a tune whose channels all share one MIP proves little";

    for (int polyphony = smallest; polyphony <= largest; ++polyphony) {
        const std::vector<int16_t> played = renderWholePcm(converted, polyphony);
        ASSERT_FALSE(played.empty());
        EXPECT_TRUE(played ==
                    renderWholePcm(withoutNotes(converted, channelsAbove(entries, polyphony)), polyphony))
            << "polyphony " << polyphony;
    }
    const std::vector<int16_t> full = renderWholePcm(converted, largest);
    for (const SpMidiEntry& entry : entries)
        EXPECT_FALSE(full == renderWholePcm(withoutNotes(converted, {entry.channel}), largest))
            << "ch" << entry.channel;
}

TEST_P(SpMidiRender, WithoutTheMessageTheSmallSynthesizerPlaysOtherwise) {
    std::vector<SpMidiEntry> entries;
    const Bytes converted = convertWithMips(generateTune(GetParam()), GetParam().priority, entries);
    ASSERT_FALSE(entries.empty());
    const int smallest = entries.front().mip;
    SpMidi.enabled = 1;  // leaves the measured message out again: nothing else differs
    Bytes plain;
    ASSERT_TRUE(convertMidiFileToMemory(plain, Steps * StepTicks));
    SpMidi = SpMidiSettings();
    EXPECT_FALSE(renderWholePcm(plain, smallest) ==
                 renderWholePcm(withoutNotes(converted, channelsAbove(entries, smallest)), smallest));
}

INSTANTIATE_TEST_SUITE_P(GeneratedTunes, SpMidiRender,
                         ::testing::Values(TuneShape{1, 1, {0, 1, 2}, 3, {}},
                                           TuneShape{2, 1, {9, 3, 4, 10}, 4, {}},
                                           TuneShape{3, 0, {1, 2, 5, 6}, 3, {}},
                                           TuneShape{4, 1, {0, 1, 2, 3, 4}, 4, {2, 0}}));
