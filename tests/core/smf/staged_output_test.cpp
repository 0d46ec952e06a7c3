// Every file is written beside its target and moved over it only when whole:
// two writers never share a staged file, and a failure at any stage leaves
// the target as it was and nothing beside it.
#include "smf/staged_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#endif

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "report/analysis_report.h"
#include "smf/vfile.h"
#include "staged_failure.h"
#include "test_support.h"

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

// A failure keeps the reason of the step that failed, for a message to show;
// a test-made failure reads as an input/output error.
TEST(StagedOutput, AFailureKeepsTheSystemsReason) {
    const std::string folder = freshFolder("reasons");
    std::filesystem::create_directories(folder + "/dir.bin");
    const std::string target = folder + "/out.bin";
    StagedOutput out;
    EXPECT_FALSE(out.open((folder + "/no/such/folder/x.bin").c_str()));
    EXPECT_TRUE(out.error()) << "a missing folder";
#ifndef _WIN32
    EXPECT_EQ(out.error(), std::errc::no_such_file_or_directory);
#endif
    EXPECT_FALSE(out.open((folder + "/dir.bin").c_str()));
    EXPECT_EQ(out.error(), std::errc::is_a_directory);
    ASSERT_TRUE(out.open(target.c_str()));
    EXPECT_FALSE(out.error()) << "an open starts without a reason";
    out.discard();
    for (StagedStep step : {StagedStep::Open, StagedStep::Write, StagedStep::Close, StagedStep::Move}) {
        failStagedOutputAt(step);
        EXPECT_FALSE(out.open(target.c_str()) && writeWhole(out, "x") && out.commit());
        EXPECT_EQ(out.error(), std::errc::io_error) << static_cast<int>(step);
    }
    EXPECT_EQ(filesIn(folder), std::set<std::string>{"dir.bin"});
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

// A target whose last component is as long as the file system allows still
// gets a staged file of its own folder, under a shorter name.
TEST(StagedOutput, NamesUpToTheFileSystemsLimitAreWritten) {
    const std::string folder = freshFolder("long");
    for (size_t length : {240u, 245u, 250u, 255u}) {
        const std::string target = folder + "/" + std::string(length - 4, 'n') + ".mid";
        StagedOutput out;
        ASSERT_TRUE(out.open(target.c_str())) << length;
        EXPECT_EQ(std::filesystem::path(out.stagedPath()).parent_path(), std::filesystem::path(folder));
        ASSERT_TRUE(writeWhole(out, "long") && out.commit()) << length;
        EXPECT_EQ(readText(target), "long") << length;
        EXPECT_EQ(filesIn(folder).size(), 1u) << length;
        std::filesystem::remove(target);
    }
}

// The handlers that remove staged files on an interruption read a fixed
// table: an output that finds it full is refused before any file exists.
TEST(StagedOutput, OutputsBeyondTheTableOfStagedNamesAreRefusedCleanly) {
    const std::string folder = freshFolder("table");
    std::vector<std::unique_ptr<StagedOutput>> open;
    for (int k = 0;; ++k) {
        auto out = std::make_unique<StagedOutput>();
        if (!out->open((folder + "/out" + std::to_string(k)).c_str())) break;
        open.push_back(std::move(out));
        ASSERT_LT(k, 1000) << "the table has no end";
    }
    EXPECT_GE(open.size(), 4u);
    EXPECT_EQ(filesIn(folder).size(), open.size());
    open.pop_back();
    StagedOutput again;
    EXPECT_TRUE(again.open((folder + "/again").c_str())) << "a slot is free again once its file is gone";
}

#ifdef _WIN32
// The console handler runs on a thread of its own while the main thread
// holds the staged file open: it can still remove it.
TEST(StagedOutput, AStagedFileCanBeRemovedWhileItIsOpen) {
    const std::string target = freshFolder("shared") + "/out.mid";
    StagedOutput out;
    ASSERT_TRUE(out.open(target.c_str()) && writeWhole(out, "half"));
    bool removed = false;
    std::thread([&] { removed = DeleteFileA(out.stagedPath().c_str()) != 0; }).join();
    EXPECT_TRUE(removed);
    out.discard();
    EXPECT_TRUE(filesIn("shared").empty());
}
#else
namespace {
mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode;
}

}  // namespace

TEST(StagedOutput, AReplacedFileKeepsItsPermissionBits) {
    const std::string folder = freshFolder("modes");
    const std::string target = folder + "/out.mid";
    for (mode_t mode : {mode_t{0600}, mode_t{0755}, mode_t{0640}}) {
        writeTextFile(target, "old");
        ASSERT_EQ(chmod(target.c_str(), mode), 0);
        StagedOutput out;
        ASSERT_TRUE(out.open(target.c_str()));
        EXPECT_EQ(modeOf(out.stagedPath()) & 0777 & ~mode, 0u) << "never readable by more than the old file";
        ASSERT_TRUE(writeWhole(out, "new") && out.commit());
        EXPECT_EQ(readText(target), "new");
        EXPECT_EQ(modeOf(target) & 07777, mode) << std::oct << mode;
    }
    // A new file gets the usual mode for new files.
    std::filesystem::remove(target);
    const mode_t mask = umask(022);
    StagedOutput fresh;
    ASSERT_TRUE(fresh.open(target.c_str()) && writeWhole(fresh, "x") && fresh.commit());
    umask(mask);
    EXPECT_EQ(modeOf(target) & 07777, 0644u);
}

TEST(StagedOutput, AReplacedFileKeepsItsOwnerWhereTheProcessMaySetIt) {
    if (geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    const std::string target = freshFolder("owner") + "/quavel.log";
    writeTextFile(target, "old");
    ASSERT_EQ(chown(target.c_str(), 4321, 4322), 0);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    StagedOutput out;
    ASSERT_TRUE(out.open(target.c_str()) && writeWhole(out, "new") && out.commit());
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

#ifdef __linux__
namespace {
// An access ACL as the kernel stores it: one named user may read.
std::string aclGrantingRead(uint32_t user) {
    const uint32_t anyone = 0xFFFFFFFF;
    const struct {
        uint16_t tag;
        uint16_t permissions;
        uint32_t id;
    } entries[] = {
        {0x01, 6, anyone}, {0x02, 4, user}, {0x04, 4, anyone}, {0x10, 4, anyone}, {0x20, 0, anyone}};
    const uint32_t version = 2;
    std::string acl(reinterpret_cast<const char*>(&version), sizeof version);
    for (const auto& entry : entries) {
        acl.append(reinterpret_cast<const char*>(&entry.tag), sizeof entry.tag);
        acl.append(reinterpret_cast<const char*>(&entry.permissions), sizeof entry.permissions);
        acl.append(reinterpret_cast<const char*>(&entry.id), sizeof entry.id);
    }
    return acl;
}

std::string aclOf(const std::string& path) {
    char acl[256];
    const ssize_t size = getxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl);
    return size > 0 ? std::string(acl, static_cast<size_t>(size)) : std::string();
}
}  // namespace

TEST(StagedOutput, AReplacedFileKeepsItsAccessAcl) {
    const std::string target = freshFolder("acl") + "/quavel.log";
    writeTextFile(target, "old");
    const std::string acl = aclGrantingRead(4321);
    if (setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "this file system keeps no ACL";
    StagedOutput out;
    ASSERT_TRUE(out.open(target.c_str()) && writeWhole(out, "new") && out.commit());
    EXPECT_EQ(readText(target), "new");
    EXPECT_EQ(aclOf(target), acl);
    EXPECT_EQ(modeOf(target) & 0777, 0640u);
}
#endif

TEST(StagedOutput, ALinkStaysALinkAndTheFileItPointsToIsReplaced) {
    const std::string folder = freshFolder("linked");
    freshFolder("elsewhere");
    writeTextFile("elsewhere/real.mid", "old");
    std::filesystem::create_symlink("../elsewhere/real.mid", folder + "/out.mid");
    StagedOutput out;
    ASSERT_TRUE(out.open((folder + "/out.mid").c_str()));
    EXPECT_EQ(std::filesystem::path(out.stagedPath()).parent_path(), std::filesystem::canonical("elsewhere"));
    ASSERT_TRUE(writeWhole(out, "new") && out.commit());
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/out.mid"));
    EXPECT_EQ(readText("elsewhere/real.mid"), "new");
    EXPECT_EQ(filesIn("elsewhere"), std::set<std::string>{"real.mid"});

    std::filesystem::create_symlink("gone.mid", folder + "/dangling.mid");
    EXPECT_FALSE(out.open((folder + "/dangling.mid").c_str())) << "as cp refuses to write through one";
    EXPECT_FALSE(std::filesystem::exists(folder + "/gone.mid"));
}

TEST(StagedOutput, ADeviceIsWrittenIntoAndStaysADevice) {
    const std::string folder = freshFolder("device");
    std::string whyNot;
    const std::string device = memoryDevice(folder, MemoryDevice::Null, whyNot);
    if (device.empty()) GTEST_SKIP() << whyNot;
    const std::set<std::string> before = filesIn(folder);
    StagedOutput out;
    ASSERT_TRUE(out.open(device.c_str()));
    EXPECT_EQ(out.stagedPath(), "");
    ASSERT_TRUE(writeWhole(out, "head:??;body") && out.rewrite(5, "42", 2) && out.commit());
    EXPECT_TRUE(S_ISCHR(modeOf(device)));
    EXPECT_EQ(filesIn(folder), before);
}

// A full disk answers the write that reaches it: at once for bytes written in
// order, at the commit for bytes held until then.
TEST(StagedOutput, AFullDiskIsTheReasonOfTheWriteThatMeetsIt) {
    const std::string folder = freshFolder("full");
    std::string whyNot;
    const std::string device = memoryDevice(folder, MemoryDevice::Full, whyNot);
    if (device.empty()) GTEST_SKIP() << whyNot;
    StagedOutput out;
    ASSERT_TRUE(out.open(device.c_str(), WriteOrder::Sequential));
    EXPECT_FALSE(writeWhole(out, "lost"));
    EXPECT_EQ(out.error(), std::errc::no_space_on_device);
    ASSERT_TRUE(out.open(device.c_str()));
    EXPECT_TRUE(writeWhole(out, "held"));
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(out.error(), std::errc::no_space_on_device);
    std::filesystem::create_symlink("gone.bin", folder + "/dangling.bin");
    EXPECT_FALSE(out.open((folder + "/dangling.bin").c_str()));
    EXPECT_EQ(out.error(), std::errc::no_such_file_or_directory);
}

// A FIFO cannot seek: bytes that may still be rewritten reach it at the end,
// in one sequential write; bytes written in order go as they come.
TEST(StagedOutput, AFifoGetsTheFinishedBytesInOrder) {
    const std::string fifo = freshFolder("fifo") + "/out";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FifoReader rewritten(fifo);
    StagedOutput out;
    ASSERT_TRUE(out.open(fifo.c_str()));
    ASSERT_TRUE(writeWhole(out, "head:??;body") && out.rewrite(5, "42", 2) && writeWhole(out, ";tail"));
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(rewritten.take(), "head:42;body;tail");

    FifoReader streamed(fifo);
    ASSERT_TRUE(out.open(fifo.c_str(), WriteOrder::Sequential));
    ASSERT_TRUE(writeWhole(out, "one,") && writeWhole(out, "two"));
    EXPECT_FALSE(out.rewrite(0, "x", 1)) << "what went out cannot be taken back";
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(streamed.take(), "one,two");
    EXPECT_TRUE(S_ISFIFO(modeOf(fifo)));
    EXPECT_EQ(filesIn("fifo"), std::set<std::string>{"out"});
}
#endif
