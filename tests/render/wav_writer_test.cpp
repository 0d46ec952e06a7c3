// A WAV file is written while the audio is made and is a standard RIFF WAVE
// file of 16-bit PCM once finished: header fields for the given format, the
// samples little-endian in order, and sizes that match the data.
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "smf/output_sink.h"
#include "smf/staged_output.h"
#include "staged_failure.h"
#include "wav_file.h"

namespace {
// Samples that cover the sign and both bytes of a sample.
std::vector<int16_t> rampSamples(size_t count) {
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 2654435761u >> 16);
    return samples;
}

Bytes writeWav(int32_t rate, int32_t channels, const std::vector<std::vector<int16_t>>& blocks) {
    MemoryOutput memory;
    WavWriter wav(memory, rate, channels);
    EXPECT_TRUE(wav.begin());
    for (const std::vector<int16_t>& block : blocks)
        EXPECT_TRUE(wav.append(block.data(), block.size() / static_cast<size_t>(channels)));
    EXPECT_TRUE(wav.finish());
    return memory.bytes;
}
}  // namespace

TEST(WavHeader, DescribesPcmOfTheGivenRateAndChannels) {
    for (const auto& format : {std::pair<int32_t, int32_t>{22050, 2}, {44100, 1}, {8000, 6}}) {
        const WavFile wav = parseWav(writeWav(format.first, format.second, {}));
        ASSERT_TRUE(wav.complete);
        EXPECT_EQ(wav.fmtSize, 16u);
        EXPECT_EQ(wav.formatTag, 1);
        EXPECT_EQ(wav.channels, format.second);
        EXPECT_EQ(wav.sampleRate, static_cast<uint32_t>(format.first));
        EXPECT_EQ(wav.bitsPerSample, 16);
        EXPECT_EQ(wav.blockAlign, format.second * 2);
        EXPECT_EQ(wav.byteRate, static_cast<uint32_t>(format.first * format.second * 2));
    }
}

TEST(WavHeader, AnEmptyRenderIsAWholeFileWithNoData) {
    const Bytes file = writeWav(22050, 2, {});
    ASSERT_EQ(file.size(), WavWriter::HeaderSize);
    const WavFile wav = parseWav(file);
    EXPECT_TRUE(wav.complete);
    EXPECT_EQ(wav.dataSize, 0u);
    EXPECT_EQ(wav.riffSize, 36u);
}

TEST(WavData, HoldsEverySampleInOrderAndTheSizesCountThem) {
    // Blocks of odd sizes, together far beyond one write of the writer.
    std::vector<std::vector<int16_t>> blocks;
    std::vector<int16_t> all;
    for (size_t frames : {1u, 128u, 40000u, 3u, 77777u}) {
        blocks.push_back(rampSamples(frames * 2));
        for (size_t i = 0; i < blocks.back().size(); ++i) blocks.back()[i] ^= static_cast<int16_t>(frames);
        all.insert(all.end(), blocks.back().begin(), blocks.back().end());
    }
    const Bytes file = writeWav(22050, 2, blocks);
    const WavFile wav = parseWav(file);
    ASSERT_TRUE(wav.complete);
    EXPECT_EQ(wav.samples, all);
    EXPECT_EQ(wav.dataSize, all.size() * 2);
    EXPECT_EQ(wav.riffSize, file.size() - 8);
    EXPECT_EQ(file.size(), WavWriter::HeaderSize + all.size() * 2);
}

TEST(WavData, SamplesAreLittleEndianTwosComplement) {
    const Bytes file = writeWav(22050, 1, {{0x1234, -2, INT16_MIN, INT16_MAX}});
    const Bytes data(file.begin() + WavWriter::HeaderSize, file.end());
    EXPECT_EQ(data, (Bytes{0x34, 0x12, 0xFE, 0xFF, 0x00, 0x80, 0xFF, 0x7F}));
}

TEST(WavOutput, EveryFailureOfTheStagedFileLeavesTheTarget) {
    std::filesystem::remove_all("wav_staged");
    std::filesystem::create_directories("wav_staged");
    const std::vector<int16_t> samples = rampSamples(200000);
    // Writes: the header, three blocks of data, then the two size fields.
    expectEveryFailureLeavesTheTarget("wav_staged", "wav_staged/out.wav", 3, [&samples] {
        StagedOutput output;
        WavWriter wav(output, 22050, 2);
        return output.open("wav_staged/out.wav") && wav.begin() &&
               wav.append(samples.data(), samples.size() / 2) && wav.finish() && output.commit();
    });
}
