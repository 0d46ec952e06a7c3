// quavelrender takes a source and a WAV name and a polyphony of 1 to 64;
// anything else is refused with the reason, and a help word wins over all.
#include "render_command_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {
RenderCommandLine parse(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv = {"quavelrender"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return parseRenderCommandLine(static_cast<int>(argv.size()), argv.data());
}
}  // namespace

TEST(RenderArguments, TheNamesComeInOrderAndTheVoicesAnywhere) {
    for (const RenderCommandLine& line :
         {parse({"in.mid", "out.wav", "-N8"}), parse({"-N8", "in.mid", "out.wav"}),
          parse({"in.mid", "-n8", "out.wav"})}) {
        EXPECT_TRUE(line.problem.empty()) << line.problem;
        EXPECT_EQ(line.sourceName, "in.mid");
        EXPECT_EQ(line.outputName, "out.wav");
        EXPECT_EQ(line.voices, 8);
    }
}

TEST(RenderArguments, WithoutNTheSynthesizerPlaysAllItsVoices) {
    EXPECT_EQ(parse({"in.mid", "out.wav"}).voices, 64);
    EXPECT_EQ(parse({"in.mid", "out.wav", "-N3", "-N12"}).voices, 12);
}

TEST(RenderArguments, VoicesAreADecimalFromOneToSixtyFour) {
    EXPECT_EQ(parseVoices("1"), 1);
    EXPECT_EQ(parseVoices("64"), 64);
    EXPECT_EQ(parseVoices("08"), 8);
    for (const char* bad : {"0", "65", "100", "-1", "+8", "8x", "x", "", " 8", "064"})
        EXPECT_EQ(parseVoices(bad), -1) << bad;
}

TEST(RenderArguments, AThirdNameIsRefused) {
    EXPECT_EQ(parse({"in.mid", "out.wav", "more.wav"}).problem, "Too many names: more.wav is a third");
    EXPECT_EQ(parse({"in.mid", "-N8"}).problem, "SOURCE.mid and OUT.wav are both needed");
}

TEST(RenderArguments, AHelpWordAnywhereWins) {
    for (const char* word : {"--help", "-h", "-?"}) {
        EXPECT_TRUE(parse({"in.mid", word, "-N0"}).helpWanted) << word;
        EXPECT_TRUE(parse({word}).helpWanted) << word;
    }
    EXPECT_FALSE(parse({"in.mid", "out.wav"}).helpWanted);
}

TEST(RenderArguments, VoicesTakeTheSourceAloneWhereverTheWordStands) {
    for (const RenderCommandLine& line : {parse({"--voices", "in.mid"}), parse({"in.mid", "--voices"}),
                                          parse({"-N8", "in.mid", "--voices"})}) {
        EXPECT_TRUE(line.problem.empty()) << line.problem;
        EXPECT_TRUE(line.voicesWanted);
        EXPECT_EQ(line.sourceName, "in.mid");
        EXPECT_TRUE(line.outputName.empty());
    }
    EXPECT_EQ(parse({"--voices", "in.mid", "in.mid"}).problem, "Too many names: in.mid is a second");
    EXPECT_EQ(parse({"--voices"}).problem, "SOURCE.mid is needed");
    EXPECT_FALSE(parse({"in.mid", "out.wav"}).voicesWanted);
}
