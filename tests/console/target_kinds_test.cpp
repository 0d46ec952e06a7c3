// Every target stays what it was: a device or FIFO is written into, a link
// stays a link, a replaced file keeps its place and name whatever its
// length, no spelling of the source lets a run overwrite it, an interrupted
// run leaves no temporary, and the run says when a report was not written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "run_program.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {
const std::string banner = "Quavel for Java Apps. Version 1.9.2\n";
const std::string settings =
    "Out file making as [out.mid] with TuneLength=[480]\nDinamic Detection on Level=1\n";

Bytes tune() {
    return smfFile(
        1, 480,
        {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00},
         {0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
}

std::string analysedLine(const std::string& source, const std::string& ending) {
    return "MIDI file [" + source + "] analisation done. " + ending + "\n";
}

std::string reportedTo(const std::string& report) {
    return analysedLine("in.mid", "Reported to [" + report + "].");
}

std::string cannotWrite(const std::string& report, const std::string& source = "in.mid") {
    return analysedLine(source, "Cannot write report [" + report + "].");
}

class TargetKinds : public ::testing::Test {
protected:
    static constexpr const char* Folder = "kinds";
    // What a run into plain files writes: the pattern for every other kind.
    Bytes converted;
    std::string report;

    // Each test runs in a fresh folder of its own, so that "." holds only its files.
    void SetUp() override {
        fs::remove_all(Folder);
        fs::create_directory(Folder);
        fs::current_path(Folder);
        writeFile("in.mid", tune());
        ASSERT_EQ(quavel("in.mid out.mid").status, 0);
        converted = readFile("out.mid");
        report = readText("quavel.log");
        fs::remove("out.mid");
        fs::remove("quavel.log");
    }
    void TearDown() override { fs::current_path(".."); }
    static ProgramRun quavel(const std::string& arguments) { return runProgram(QUAVEL_PROGRAM, arguments); }
};
}  // namespace

TEST_F(TargetKinds, NamesAsLongAsTheFileSystemAllowsAreWritten) {
    const std::string output(250, 'o');
    const std::string log = std::string(246, 'r') + ".log";
    const ProgramRun run = quavel("in.mid " + output + " -L" + log);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(readFile(output), converted);
    EXPECT_EQ(readText(log), report);
    EXPECT_FALSE(holdsStagedFile("."));
}

TEST_F(TargetKinds, NoSpellingOfTheSourceIsOverwritten) {
    ProgramRun run = quavel("in.mid ./in.mid");
    EXPECT_EQ(run.output, banner + reportedTo("quavel.log") + "Cannot out to this_file. so no converted.\n");
    EXPECT_EQ(run.status, 1);
    fs::create_directory("sub");
    EXPECT_EQ(quavel("in.mid sub/../in.mid").status, 1);
    EXPECT_EQ(readFile("in.mid"), tune());
    // A report naming the source or the output under another spelling is ignored.
    for (const char* option : {"-L./in.mid", "-Lsub/../in.mid", "-L./out.mid"}) {
        run = quavel(std::string(option) + " in.mid out.mid");
        EXPECT_EQ(run.output, banner + reportedTo("quavel.log") + settings) << option;
        EXPECT_EQ(readFile("in.mid"), tune()) << option;
        EXPECT_EQ(readFile("out.mid"), converted) << option;
    }
}

TEST_F(TargetKinds, TheDefaultReportNeverReplacesTheSource) {
    writeFile("quavel.log", tune());
    const ProgramRun run = quavel("quavel.log out.mid");
    EXPECT_EQ(run.output, banner + cannotWrite("quavel.log", "quavel.log") + settings);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile("quavel.log"), tune());
    EXPECT_EQ(readFile("out.mid"), converted);
}

// The run goes on and converts as before, and its status is unchanged.
TEST_F(TargetKinds, AReportThatCannotBeWrittenIsSaidToBeSo) {
    fs::create_directory("quavel.log");
    ProgramRun run = quavel("in.mid out.mid");
    EXPECT_EQ(run.output, banner + cannotWrite("quavel.log") + settings);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile("out.mid"), converted);
#ifndef _WIN32
    std::string whyNot;
    const std::string fullDisk = memoryDevice(fs::current_path().string(), MemoryDevice::Full, whyNot);
    if (fullDisk.empty()) GTEST_SKIP() << "no full disk: " << whyNot;
    run = quavel("in.mid out.mid -L" + fullDisk);
    EXPECT_EQ(run.output, banner + cannotWrite(fullDisk) + settings);
    EXPECT_EQ(run.status, 0);
#endif
}

#ifdef _WIN32
TEST_F(TargetKinds, TheNullDeviceIsWrittenIntoAndNoFileAppears) {
    ProgramRun run = quavel("in.mid NUL -Lquavel.log");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, banner + reportedTo("quavel.log") +
                              "Out file making as [NUL] with TuneLength=[480]\n" +
                              "Dinamic Detection on Level=1\n");
    fs::remove("quavel.log");
    run = quavel("in.mid out.mid -LNUL");
    EXPECT_EQ(run.output, banner + reportedTo("NUL") + settings);
    fs::remove("out.mid");
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string(), "in.mid");
}

// Ctrl+Break in the middle of a long report: the console handler removes the
// staged file, and the process ends as the default handler ends it.
TEST_F(TargetKinds, AnInterruptedRunLeavesNoTemporary) {
    writeFile("long.mid", manyNotes(1000000));
    writeTextFile("out.mid", "old tune");
    writeTextFile("quavel.log", "old report");
    const int status = interruptWhileStaged(QUAVEL_PROGRAM, {"long.mid", "out.mid"}, ".", CTRL_BREAK_EVENT);
    if (status == -1)
        GTEST_SKIP()
            << "GenerateConsoleCtrlEvent cannot reach the program: this test shares no console with it "
               "(as under Wine without a console window)";
    EXPECT_EQ(static_cast<DWORD>(status), static_cast<DWORD>(STATUS_CONTROL_C_EXIT));
    EXPECT_FALSE(holdsStagedFile("."));
    EXPECT_EQ(readText("out.mid"), "old tune");
    EXPECT_EQ(readText("quavel.log"), "old report");
}
#else
namespace {
bool isLink(const std::string& path) {
    return fs::is_symlink(fs::symlink_status(path));
}

bool isCharacterDevice(const std::string& path) {
    return fs::is_character_file(fs::symlink_status(path));
}

// A run that hangs ends after this many seconds, and fails the test.
ProgramRun boundedRun(const std::string& arguments) {
    return runProgram("timeout", "20 '" + std::string(QUAVEL_PROGRAM) + "' " + arguments);
}
}  // namespace

TEST_F(TargetKinds, ADeviceAndALinkToItAreWrittenIntoAndStayAsTheyWere) {
    std::string whyNot;
    const std::string device = memoryDevice(fs::current_path().string(), MemoryDevice::Null, whyNot);
    if (device.empty()) GTEST_SKIP() << whyNot;
    fs::create_symlink(device, "stdout");  // as /dev/stdout points to the terminal
    for (const std::string& target : {device, std::string("stdout")}) {
        const ProgramRun run = quavel("in.mid " + target + " -L" + target + ".log");
        EXPECT_EQ(run.status, 0) << run.output;
        ProgramRun toDevice = quavel("in.mid out.mid -L" + target);
        EXPECT_EQ(toDevice.output, banner + reportedTo(target) + settings);
        EXPECT_TRUE(isCharacterDevice(device)) << target;
    }
    EXPECT_TRUE(isLink("stdout"));
    EXPECT_FALSE(holdsStagedFile("."));
}

TEST_F(TargetKinds, AFifoWithAReaderGetsTheWholeFile) {
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    FifoReader output("fifo");
    ProgramRun run = boundedRun("in.mid fifo");
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string bytes = output.take();
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), converted);

    FifoReader log("fifo");
    run = boundedRun("in.mid out.mid -Lfifo");
    EXPECT_EQ(run.output, banner + reportedTo("fifo") + settings);
    EXPECT_EQ(log.take(), report);
    EXPECT_TRUE(fs::is_fifo("fifo"));
}

TEST_F(TargetKinds, LinkedOutputAndReportReplaceTheFilesTheyPointTo) {
    fs::create_directories("elsewhere");
    writeTextFile("elsewhere/tune.mid", "old tune");
    writeTextFile("elsewhere/tune.log", "old report");
    fs::create_symlink("elsewhere/tune.mid", "out.mid");
    fs::create_symlink(fs::absolute("elsewhere/tune.log"), "quavel.log");
    const ProgramRun run = quavel("in.mid out.mid");
    EXPECT_EQ(run.output, banner + reportedTo("quavel.log") + settings);
    EXPECT_TRUE(isLink("out.mid"));
    EXPECT_TRUE(isLink("quavel.log"));
    EXPECT_EQ(readFile("elsewhere/tune.mid"), converted);
    EXPECT_EQ(readText("elsewhere/tune.log"), report);
    EXPECT_FALSE(holdsStagedFile("."));
    EXPECT_FALSE(holdsStagedFile("elsewhere"));
    // A link to the source is the source.
    fs::create_symlink("in.mid", "alias.mid");
    EXPECT_EQ(quavel("in.mid alias.mid").status, 1);
    EXPECT_EQ(readFile("in.mid"), tune());
}

TEST_F(TargetKinds, ADanglingLinkIsRefused) {
    fs::create_symlink("gone/out.mid", "out.mid");
    fs::create_symlink("gone.log", "dangling.log");
    ProgramRun run = quavel("in.mid out.mid -Ldangling.log");
    EXPECT_EQ(run.output, banner + cannotWrite("dangling.log") + settings + "Cannot open dest file\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(isLink("out.mid"));
    EXPECT_TRUE(isLink("dangling.log"));
    EXPECT_FALSE(fs::exists("gone.log"));
}

// Names are compared as they will resolve before anything is written: a
// report named where a dangling output link leads would make the link whole,
// and the output would then replace the report.
TEST_F(TargetKinds, AReportNamedWhereADanglingOutputLinkLeadsIsIgnored) {
    fs::create_directory("sub");
    fs::create_symlink("sub/x.mid", "out.mid");
    const ProgramRun run = quavel("in.mid out.mid -Lsub/x.mid");
    EXPECT_EQ(run.output, banner + reportedTo("quavel.log") + settings + "Cannot open dest file\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status("sub/x.mid")));
    EXPECT_TRUE(isLink("out.mid"));
    EXPECT_EQ(readText("quavel.log"), report);
}

// An interruption in the middle of a long report: the old files stay byte
// for byte, no temporary is left, and the run ends by the signal it got.
TEST_F(TargetKinds, AnInterruptedRunLeavesNoTemporary) {
    writeFile("long.mid", manyNotes(1000000));
    writeTextFile("out.mid", "old tune");
    writeTextFile("quavel.log", "old report");
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EQ(interruptWhileStaged(QUAVEL_PROGRAM, {"long.mid", "out.mid"}, ".", signalNumber),
                  signalNumber);
        EXPECT_FALSE(holdsStagedFile(".")) << signalNumber;
        EXPECT_EQ(readText("out.mid"), "old tune") << signalNumber;
        EXPECT_EQ(readText("quavel.log"), "old report") << signalNumber;
    }
}
#endif
