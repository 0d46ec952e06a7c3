#include "batch_sources.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "batch_command_line.h"
#include "test_support.h"
#include "tune_times.h"

namespace fs = std::filesystem;

namespace {
class BatchFolders : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all("tree");
        for (const char* folder : {"tree/B", "tree/a/deep", "tree/empty"}) fs::create_directories(folder);
        for (const char* file : {"tree/z.MID", "tree/B/x.midi", "tree/a/deep/y.mid", "tree/a/notes.txt",
                                 "tree/a/mid", "tree/a/b.mid.bak", "tree/A.Midi"})
            writeTextFile(file, "x");
    }
};
}  // namespace

TEST(BatchNames, TunesEndInMidOrMidiInAnyCase) {
    for (const char* name : {"a.mid", "a.MID", "a.Midi", "x.y.midi", ".mid"})
        EXPECT_TRUE(isTuneName(name)) << name;
    for (const char* name : {"a.mid.bak", "amid", "a.mi", "a.midii", "", "mid"})
        EXPECT_FALSE(isTuneName(name)) << name;
}

TEST_F(BatchFolders, AFolderStandsForItsTunesInByteOrderOfTheirPaths) {
    std::vector<std::string> found;
    ASSERT_TRUE(tunesUnder("tree", found));
    EXPECT_EQ(found, (std::vector<std::string>{"A.Midi", "B/x.midi", "a/deep/y.mid", "z.MID"}));
    const std::vector<BatchSource> sources = batchSources({"tree/", "tree/empty", "tree/a/notes.txt"});
    ASSERT_EQ(sources.size(), 6u);
    EXPECT_EQ(sources[0].name, "tree/A.Midi");
    EXPECT_EQ(sources[2].name, "tree/a/deep/y.mid");
    EXPECT_EQ(sources[2].relative, "a/deep/y.mid");
    EXPECT_EQ(sources[4].problem, "No .mid or .midi files in folder [tree/empty]");
    EXPECT_EQ(sources[5].name, "tree/a/notes.txt");  // a file named alone is taken as it is
    EXPECT_EQ(sources[5].relative, "notes.txt");
    EXPECT_TRUE(sources[5].problem.empty());
}

#ifndef _WIN32
TEST_F(BatchFolders, LinksAreFollowedAndEachFolderIsEnteredOnce) {
    fs::create_directory_symlink("..", "tree/a/deep/up");  // a loop
    fs::create_directory_symlink("../B", "tree/a/alsoB");  // B a second time
    fs::create_symlink("../z.MID", "tree/a/link.mid");     // a file through a link
    std::vector<std::string> found;
    ASSERT_TRUE(tunesUnder("tree", found));
    EXPECT_EQ(found.size(), 5u);
    EXPECT_EQ(std::count(found.begin(), found.end(), "a/link.mid"), 1);
    EXPECT_EQ(std::count_if(found.begin(), found.end(),
                            [](const std::string& f) { return f.find("x.midi") != std::string::npos; }),
              1);
}
#endif

TEST_F(BatchFolders, AnOutputFolderInsideASourceFolderIsFound) {
    EXPECT_EQ(sourceFolderHolding("tree/a/out", {"x.mid", "tree"}), "tree");
    EXPECT_EQ(sourceFolderHolding("tree", {"tree/a", "tree/"}), "tree/");
    EXPECT_EQ(sourceFolderHolding("tree/a/../B/new", {"tree/B"}), "tree/B");
    EXPECT_EQ(sourceFolderHolding("treeout", {"tree"}), "");
    EXPECT_EQ(sourceFolderHolding("tree", {"tree/a"}), "");
}

TEST_F(BatchFolders, OutputsThatTwoSourcesShareAndOutputsOnSources) {
    EXPECT_EQ(sharedOutput({"o/a.mid", "o/b.mid", "o/./a.mid"}), "o/./a.mid");
    EXPECT_EQ(sharedOutput({"o/a.mid", "o/a.log"}), "");
    EXPECT_EQ(reportBeside("o/sub/t.midi"), "o/sub/t.log");
    const SourceFiles sources(batchSources({"tree/B", "tree/z.MID"}));
    EXPECT_TRUE(sources.holds("tree/B/x.midi"));
    EXPECT_TRUE(sources.holds("tree/./B/../z.MID"));
    EXPECT_FALSE(sources.holds("tree/a/deep/y.mid"));
    EXPECT_FALSE(sources.holds("tree/none.mid"));
}

TEST(BatchArguments, OptionsAreSortedAndBadOnesRefused) {
    const char* argv[] = {"quavelbatch", "-D2",       "-j",    "3",     "--out",
                          "o",           "-Pgm-lite", "t.mid", "-",     "-x",
                          "-fvoices-16", "--reports", "--csv", "c.csv", "dir"};
    const BatchCommandLine line = parseBatchCommandLine(15, argv);
    EXPECT_EQ(line.problem, "");
    EXPECT_EQ(line.workers, 3);
    EXPECT_EQ(line.outFolder, "o");
    EXPECT_TRUE(line.reports);
    EXPECT_EQ(line.csvFile, "c.csv");
    EXPECT_EQ(line.inputs, (std::vector<std::string>{"t.mid", "-", "dir"}));
    EXPECT_EQ(line.conversionOptions, (std::vector<std::string>{"-D2", "-Pgm-lite", "-fvoices-16"}));
    for (const char* bad : {"-j0", "-jx", "-j1025", "-j"}) {
        const char* args[] = {"quavelbatch", bad};
        EXPECT_EQ(parseBatchCommandLine(2, args).problem, "-j takes a number of workers from 1 to 1024")
            << bad;
    }
    const char* eight[] = {"quavelbatch", "-j8"};
    EXPECT_EQ(parseBatchCommandLine(2, eight).workers, 8);
    const char* noName[] = {"quavelbatch", "--csv"};
    EXPECT_EQ(parseBatchCommandLine(2, noName).problem, "--csv needs a name");
    const char* unknown[] = {"quavelbatch", "--otu", "o"};
    EXPECT_EQ(parseBatchCommandLine(3, unknown).problem, "Unknown option [--otu]");
}

TEST(TuneTimes, StretchesKeepTheirMostVoices) {
    std::vector<VoicePoint> points;
    for (int k = 0; k < 1000; ++k) points.push_back({k * 0.01, k % 7, 1});
    const std::vector<VoicePoint> kept = mostOfEachStretch(points, 10.0, 100);
    ASSERT_EQ(kept.size(), 100u);
    for (size_t k = 0; k < kept.size(); ++k) {
        EXPECT_EQ(kept[k].voices, 6) << k;  // every stretch of ten points holds a 6
        EXPECT_GE(kept[k].seconds, static_cast<double>(k) * 0.1 - 1e-9);
    }
    EXPECT_EQ(mostOfEachStretch({{1, 2, 3}}, 0, 600).size(), 1u);
}

TEST(TuneTimes, BarsStartWhereTimeSignaturesSayAndOneInsideABarStartsANewOne) {
    // 4/4 at 480 ticks a quarter, then 3/4 from 4080 (inside bar 3), then 6/8.
    const std::vector<MeterChange> meters = {{4080, 3, 2}, {6240, 6, 3}};
    EXPECT_EQ(barStartTicks(meters, 480, 9000),
              (std::vector<int64_t>{0, 1920, 3840, 4080, 5520, 6240, 7680}));
    EXPECT_EQ(barStartTicks({{0, 2, 2}}, 480, 2000), (std::vector<int64_t>{0, 960, 1920}));
    EXPECT_TRUE(barStartTicks({}, 0, 100).empty());
    EXPECT_EQ(thinnedEvenly({0, 1, 2, 3, 4, 5, 6}, 3), (std::vector<double>{0, 3, 6}));
}
