// The reader agrees, event for event, with an independent decoder (mido, run
// by the system's python3) on files made by other tools and by the generator.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "midi_generator.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
std::vector<std::string> independentDecoding(const std::string& path) {
    const std::string command =
        "/usr/bin/python3 " + testDataPath("../tools/mido_dump.py") + " '" + path + "'";
    const CommandOutput output = runCommand(command);
    EXPECT_EQ(output.status, 0) << command;
    return output.lines;
}

std::vector<std::string> ourDecoding(const std::string& path) {
    EXPECT_EQ(inputFile.load(path.c_str()), 1);
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    std::vector<std::string> lines;
    const auto tracks = decodeTracks(SmfHeader.trackCount);
    for (size_t t = 0; t < tracks.size(); ++t) {
        for (const DecodedEvent& e : tracks[t]) {
            std::string hex = hexText(e.bytes);
            hex.pop_back();
            lines.push_back(std::to_string(t) + " " + std::to_string(e.delta) + " " + std::to_string(e.kind) +
                            " " + hex);
        }
    }
    return lines;
}
}  // namespace

TEST(IndependentDecoder, AgreesOnAFileWithA200ByteText) {
    const std::string path = testDataPath("long_meta.mid");
    const auto expected = independentDecoding(path);
    ASSERT_GT(expected.size(), 20u);
    EXPECT_EQ(ourDecoding(path), expected);
}

TEST(IndependentDecoder, SkipsAChunkOfAnotherKindThatItCannotRead) {
    // mido refuses the alien chunk, so it reads the same file without it.
    EXPECT_EQ(ourDecoding(testDataPath("alien_chunk.mid")),
              independentDecoding(testDataPath("long_meta.mid")));
}

TEST(IndependentDecoder, AgreesOnGeneratedFiles) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        GeneratorOptions options;
        options.format = seed % 3 == 0 ? 0 : 1;
        options.trackCount = 2 + static_cast<int>(seed % 4);
        options.runningStatus = seed % 2 == 1;
        const std::string path =
            writeFile("generated" + std::to_string(seed) + ".mid", generateMidiFile(seed, options));
        const auto expected = independentDecoding(path);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(ourDecoding(path), expected) << "seed " << seed;
    }
}
#endif
