// Every file is written beside its target and moved over it only when whole:
// two writers never share a staged file, and a failure at any stage leaves
// the target as it was and nothing beside it.
#include "staged_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "analysis_report.h"
#include "convert_midi_file.h"
#include "convert_options.h"
#include "fatal_error_recorder.h"
#include "staged_failure.h"
#include "test_support.h"
#include "vfile.h"

namespace {
std::string freshFolder(const std::string& name) {
    std::filesystem::remove_all(name);
    std::filesystem::create_directories(name);
    return name;
}

bool writeWhole(StagedOutput& out, const std::string& text) {
    return out.write(text.data(), text.size());
}

// A source of many notes on two tracks, whose report is several buffers long.
Bytes longTune(int notes) {
    Bytes body;
    for (int k = 0; k < notes; ++k) body = concat({body, {0x01, 0x90, 0x3C, 0x40}});
    return smfFile(1, 96, {{0x00, 0xFF, 0x2F, 0x00}, concat({body, {0x00, 0xFF, 0x2F, 0x00}})});
}

class StagedWriters : public ::testing::Test {
protected:
    void SetUp() override {
        fatalErrors.clear();
        resetConvertOptions();
    }
    void TearDown() override { failStagedOutputAt(StagedStep::None); }
};
}  // namespace

TEST(StagedOutput, TwoOutputsForOneTargetNeverShareAStagedFile) {
    const std::string folder = freshFolder("pair");
    const std::string target = folder + "/out.bin";
    const std::string first(3000, 'a');
    const std::string second(2000, 'b');
    for (int order = 0; order < 2; ++order) {
        StagedOutput a;
        StagedOutput b;
        ASSERT_TRUE(a.open(target.c_str()));
        ASSERT_TRUE(b.open(target.c_str()));
        EXPECT_NE(a.stagedPath(), b.stagedPath());
        EXPECT_EQ(filesIn(folder).size(), order == 0 ? 2u : 3u);
        for (size_t at = 0; at < first.size(); at += 500) {
            ASSERT_TRUE(a.write(first.data() + at, 500));
            if (at < second.size()) {
                ASSERT_TRUE(b.write(second.data() + at, 500));
            }
        }
        ASSERT_TRUE(order == 0 ? a.commit() && b.commit() : b.commit() && a.commit());
        EXPECT_EQ(readText(target), order == 0 ? second : first);
        EXPECT_EQ(filesIn(folder), std::set<std::string>{"out.bin"});
    }
}

TEST(StagedOutput, AFileInTheWayOfAStagedNameIsNeverUsed) {
    const std::string folder = freshFolder("taken");
    const std::string target = folder + "/out.bin";
    std::string name;
    {
        StagedOutput probe;
        ASSERT_TRUE(probe.open(target.c_str()));
        name = probe.stagedPath();
    }
    writeTextFile(name, "someone else's");
    StagedOutput out;
    ASSERT_TRUE(out.open(target.c_str()));
    EXPECT_NE(out.stagedPath(), name);
    ASSERT_TRUE(writeWhole(out, "mine") && out.commit());
    EXPECT_EQ(readText(name), "someone else's");
    EXPECT_EQ(readText(target), "mine");
}

TEST(StagedOutput, RewriteCompletesTheStartAndWritingGoesOnAtTheEnd) {
    const std::string target = freshFolder("rewrite") + "/out.bin";
    StagedOutput out;
    ASSERT_TRUE(out.open(target.c_str()));
    ASSERT_TRUE(writeWhole(out, "head:??;body"));
    ASSERT_TRUE(out.rewrite(5, "42", 2));
    ASSERT_TRUE(writeWhole(out, ";tail"));
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(readText(target), "head:42;body;tail");

    MemoryOutput memory;
    ASSERT_TRUE(memory.write("abc", 3));
    EXPECT_TRUE(memory.rewrite(1, "X", 1));
    EXPECT_FALSE(memory.rewrite(3, "Y", 1));
    EXPECT_FALSE(memory.rewrite(2, "YZ", 2));
    EXPECT_EQ(std::string(memory.bytes.begin(), memory.bytes.end()), "aXc");
    EXPECT_FALSE(memory.reserve(SIZE_MAX)) << "no memory is an answer, not a crash";
    EXPECT_TRUE(memory.reserve(100));
    EXPECT_FALSE(memory.outOfMemory);
}

TEST(StagedOutput, RefusesWhatCannotBecomeTheTarget) {
    const std::string folder = freshFolder("refused");
    std::filesystem::create_directories(folder + "/dir.bin");
    StagedOutput out;
    // A folder in the target's place is refused at the open or, where it
    // cannot be told from a file that is absent, at the move.
    for (const char* path : {"", "refused/no/such/folder/x.bin", "refused/dir.bin"})
        EXPECT_FALSE(out.open(path) && out.write("x", 1) && out.commit()) << path;
    EXPECT_FALSE(out.open(nullptr));
    EXPECT_FALSE(out.isOpen());
    EXPECT_FALSE(out.write("x", 1));
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(filesIn(folder), std::set<std::string>{"dir.bin"});
}

TEST(StagedOutput, EveryStageCanFailAndLeavesTheTarget) {
    const std::string folder = freshFolder("stages");
    expectEveryFailureLeavesTheTarget(folder, folder + "/out.bin", 2, [&] {
        StagedOutput out;
        const std::string target = folder + "/out.bin";
        return out.open(target.c_str()) && writeWhole(out, "one") && writeWhole(out, "two") &&
               writeWhole(out, "three") && out.commit();
    });
    // A write after a failed one fails too: the file can never be whole.
    StagedOutput out;
    ASSERT_TRUE(out.open((folder + "/out.bin").c_str()));
    failStagedOutputAt(StagedStep::Write);
    EXPECT_FALSE(writeWhole(out, "lost"));
    EXPECT_FALSE(writeWhole(out, "after"));
    EXPECT_FALSE(out.commit());
}

TEST_F(StagedWriters, TheConversionFailsWholeAtEveryStage) {
    const std::string folder = freshFolder("convert");
    const std::string target = folder + "/out.mid";
    ASSERT_TRUE(loadSource(longTune(40)));
    writeAnalysisReport("x.mid", "");  // the conversion walks the tracks the analysis counted
    // The file is made in memory, then written at once.
    expectEveryFailureLeavesTheTarget(folder, target, 1, [&] {
        fatalErrors.clear();
        convertMidiFile(target.c_str(), 480);
        return fatalErrors.empty();
    });
    EXPECT_EQ(fatalErrors, std::vector<std::string>{"Cannot open dest file"});
}

TEST_F(StagedWriters, AReportThatCannotBeWrittenWholeLeavesThePreviousOne) {
    const std::string folder = freshFolder("report");
    const std::string target = folder + "/quavel.log";
    ASSERT_TRUE(loadSource(longTune(15000)));
    // About 800 KB of report: several writes of the streamed buffer.
    expectEveryFailureLeavesTheTarget(folder, target, 2, [&] {
        EXPECT_EQ(writeAnalysisReport("long.mid", target.c_str()), 15000);
        return false;
    });
    EXPECT_GT(reportCopy.size, 3u * 256 * 1024);
    EXPECT_TRUE(fatalErrors.empty()) << "as before, a report not saved is not a fatal error";
}

TEST_F(StagedWriters, SavingAVfileFailsWhole) {
    const std::string folder = freshFolder("vfile");
    VFILE file;
    ASSERT_EQ(file.create("unused.bin", 0), 1);
    ASSERT_EQ(file.write("contents", 8), 8);
    expectEveryFailureLeavesTheTarget(folder, folder + "/saved.bin", 1,
                                      [&] { return file.saveAs((folder + "/saved.bin").c_str()) == 1; });
}

TEST_F(StagedWriters, ASuccessfulRunLeavesExactlyItsFiles) {
    const std::string folder = freshFolder("success");
    writeTextFile(folder + "/out.mid", "old");
    ASSERT_TRUE(loadSource(longTune(300)));
    EXPECT_EQ(writeAnalysisReport("x.mid", (folder + "/quavel.log").c_str()), 300);
    ConvertOptions.tuneLength = 300;
    convertMidiFile((folder + "/out.mid").c_str(), 300);
    EXPECT_TRUE(fatalErrors.empty());
    EXPECT_EQ(filesIn(folder), (std::set<std::string>{"out.mid", "quavel.log"}));
    EXPECT_EQ(readText(folder + "/quavel.log").size(), reportCopy.size);
    const Bytes converted = readFile(folder + "/out.mid");
    ASSERT_GT(converted.size(), 14u);
    EXPECT_EQ(Bytes(converted.begin(), converted.begin() + 4), Bytes({'M', 'T', 'h', 'd'}));
}
