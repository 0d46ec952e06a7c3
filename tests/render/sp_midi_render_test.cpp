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

#include "convert/convert_options.h"
#include "convert/sp_midi.h"
#include "fatal_error_recorder.h"
#include "handset_synth.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "playing/mip_measure.h"
#include "smf/delta_time.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "sp_midi_tunes.h"
#include "test_support.h"

namespace {
constexpr int MaxSynthVoices = 64;

// The tune as the programs make it with SP-MIDI output on (or off).
Bytes convertInMemory(const Bytes& source, bool spMidi, const std::vector<int>& priority,
                      std::vector<SpMidiEntry>& entries) {
    EXPECT_TRUE(loadSource(source));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    FilePass pass = defaultFilePass();
    Job job = jobFromConvertOptions();
    job.spMidi.enabled = spMidi ? 1 : 0;
    job.spMidi.priority = priority;
    ConvertedFile made;
    EXPECT_TRUE(makeConvertedFile(pass, job, Steps * StepTicks, made).ok());
    entries = made.mips;
    return made.bytes;
}

Bytes convertWithMips(const Bytes& source, const std::vector<int>& priority,
                      std::vector<SpMidiEntry>& entries) {
    return convertInMemory(source, true, priority, entries);
}

class SpMidiRender : public ::testing::TestWithParam<TuneShape> {
protected:
    void SetUp() override { startConversionTest(); }
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
    std::vector<SpMidiEntry> none;
    const Bytes plain = convertInMemory(generateTune(GetParam()), false, GetParam().priority, none);
    EXPECT_FALSE(renderWholePcm(plain, smallest) ==
                 renderWholePcm(withoutNotes(converted, channelsAbove(entries, smallest)), smallest));
}

INSTANTIATE_TEST_SUITE_P(GeneratedTunes, SpMidiRender,
                         ::testing::Values(TuneShape{1, 1, {0, 1, 2}, 3, {}},
                                           TuneShape{2, 1, {9, 3, 4, 10}, 4, {}},
                                           TuneShape{3, 0, {1, 2, 5, 6}, 3, {}},
                                           TuneShape{4, 1, {0, 1, 2, 3, 4}, 4, {2, 0}}));
