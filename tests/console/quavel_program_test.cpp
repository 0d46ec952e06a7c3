#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "midi_generator.h"
#include "quavel_version.h"
#include "run_program.h"
#include "test_support.h"

namespace {
const std::string banner = std::string("Quavel for Java Apps. Version ") + QuavelVersion + "\n";

std::string analysed(const std::string& name, const std::string& report = "quavel.log") {
    return "MIDI file [" + name + "] analisation done. Reported to [" + report + "].\n";
}

// A small tune: two notes on channel 0 over one tempo track, 480 ticks long.
Bytes tune() {
    return smfFile(
        1, 480,
        {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00},
         {0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
}

class QuavelProgram : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"test.mid", "out.mid", "out2.mid", "in.mid", "in2.mid", "both.mid",
                                 "quavel.log", "in.log", "out.log"})
            std::remove(name);
    }
    static ProgramRun quavel(const std::string& arguments) { return runProgram(QUAVEL_PROGRAM, arguments); }
};
}  // namespace

TEST_F(QuavelProgram, WithoutArgumentsAnalysesTestMidAndAsksForAnOutput) {
    ProgramRun run = quavel("");
    EXPECT_EQ(run.output, banner + "Cannot open source file\n");
    EXPECT_EQ(run.status, 1);

    writeFile("test.mid", tune());
    run = quavel("");
    EXPECT_EQ(run.output,
              banner + analysed("test.mid") + "Not configure the output file. so no converted.\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fileExists("quavel.log"));
    EXPECT_FALSE(fileExists("out.mid"));
}

TEST_F(QuavelProgram, PlaceholdersStandForTheDefaultNames) {
    writeFile("test.mid", tune());
    ProgramRun run = quavel("- -");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output,
              banner + analysed("test.mid") +
                  "Out file making as [out.mid] with TuneLength=[480]\nDinamic Detection on Level=1\n");
    EXPECT_TRUE(fileExists("out.mid"));

    writeFile("in.mid", tune());
    EXPECT_EQ(quavel("in.mid -").status, 0);
    EXPECT_EQ(quavel("- out2.mid").status, 0);
    EXPECT_TRUE(fileExists("out2.mid"));
    EXPECT_EQ(quavel("in.mid out2.mid third.mid").status, 0);
    EXPECT_FALSE(fileExists("third.mid"));
}

TEST_F(QuavelProgram, OptionsThatFitTheirFormArePrintedAndApplied) {
    writeFile("in.mid", tune());
    const ProgramRun run = quavel("-D2 in.mid out.mid -T1920 -V1:F0 -I0:01");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, banner + analysed("in.mid") +
                              "Out file making as [out.mid] with TuneLength=[1920]\n"
                              "Dinamic Detection on Level=2\n"
                              "-> Change instrument of ch0 to 1\n"
                              "-> Add the Velocity of ch1 to -16\n");
    const Bytes out = readFile("out.mid");
    const Bytes programChange = {0xC0, 0x00};
    EXPECT_NE(std::search(out.begin(), out.end(), programChange.begin(), programChange.end()), out.end());
}

TEST_F(QuavelProgram, OptionsThatDoNotFitAreIgnored) {
    writeFile("in.mid", tune());
    const std::string expectedLine = "Out file making as [out.mid] with TuneLength=[480]\n";
    for (const char* options : {"-V1:F", "-V1-F0", "-V1:ZZ", "-I0:81", "-X", "-Ixx"}) {
        const ProgramRun run = quavel(std::string(options) + " in.mid out.mid");
        EXPECT_EQ(run.output, banner + analysed("in.mid") + expectedLine + "Dinamic Detection on Level=1\n")
            << options;
    }
    EXPECT_EQ(quavel("-D0 in.mid out.mid").output, banner + analysed("in.mid") + expectedLine);
    EXPECT_NE(quavel("-DF in.mid out.mid").output.find("Dinamic Detection on Level=15\n"), std::string::npos);
    EXPECT_NE(quavel("-VG:10 in.mid out.mid").output.find("-> Add the Velocity of ch0 to 16\n"),
              std::string::npos);
}

TEST_F(QuavelProgram, TuneLengthOption) {
    writeFile("in.mid", tune());
    const struct {
        const char* option;
        const char* length;
    } cases[] = {{"-T", "7680"},
                 {"-T0", "7680"},
                 {"-Tabc", "7680"},
                 {"-T960", "960"},
                 {"-t 42x", "42"},
                 {"-T99999999999", "2147483647"},
                 {"-T-99999999999", "-2147483648"}};
    for (const auto& c : cases) {
        const ProgramRun run = quavel(std::string("\"") + c.option + "\" in.mid out.mid");
        EXPECT_NE(run.output.find(std::string("TuneLength=[") + c.length + "]"), std::string::npos)
            << c.option << run.output;
    }
}

TEST_F(QuavelProgram, RefusesToOverwriteTheSourceOrToRunWithoutAnOutput) {
    writeFile("in.mid", tune());
    ProgramRun run = quavel("in.mid in.mid");
    EXPECT_EQ(run.output, banner + analysed("in.mid") + "Cannot out to this_file. so no converted.\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile("in.mid"), tune());
    run = quavel("in.mid");
    EXPECT_EQ(run.output, banner + analysed("in.mid") + "Not configure the output file. so no converted.\n");
    EXPECT_EQ(quavel("-D2").output, banner + "Cannot open source file\n");
}

TEST_F(QuavelProgram, EachHeaderRefusalEndsTheRunWithItsMessage) {
    Bytes notMidi = tune();
    notMidi[0] = 'X';
    Bytes badLength = tune();
    badLength[7] = 7;
    Bytes format3 = tune();
    format3[9] = 3;
    Bytes smpte = tune();
    smpte[12] = 0xE2;
    const std::pair<Bytes, const char*> cases[] = {{notMidi, "this is not midi"},
                                                   {badLength, "head type no good"},
                                                   {format3, "MIDI format no match"},
                                                   {smpte, "no support type delta time"}};
    for (const auto& [bytes, message] : cases) {
        writeFile("in.mid", bytes);
        const ProgramRun run = quavel("in.mid out.mid");
        EXPECT_EQ(run.output, banner + message + "\n");
        EXPECT_EQ(run.status, 1);
        EXPECT_FALSE(fileExists("out.mid"));
    }
}

TEST_F(QuavelProgram, NamesLongerThanAPathBufferAreRefusedNotCut) {
    writeFile("in.mid", tune());
    const std::string longName(300, 'n');
    EXPECT_EQ(quavel(longName + ".mid out.mid").output, banner + "Cannot open source file\n");
    const ProgramRun run = quavel("in.mid " + longName);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Cannot open dest file\n"), std::string::npos);
}

TEST_F(QuavelProgram, AnUnwritableOutputFailsWithoutTouchingTheSource) {
    writeFile("in.mid", tune());
    const ProgramRun run = quavel("in.mid no-such-folder/out.mid");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Cannot open dest file\n"), std::string::npos);
}

TEST_F(QuavelProgram, HelpWordsPrintTheUsageWhereverTheyStandAndTouchNoFile) {
    writeFile("in.mid", tune());
    // "-?" is quoted: the shell would take it for a pattern.
    for (const char* arguments : {"--help", "-h", "\"-?\"", "in.mid out.mid -h", "-D2 --help in.mid out.mid",
                                  "-Lin.log in.mid in.mid \"-?\""}) {
        const ProgramRun run = quavel(arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_EQ(run.output.rfind("usage: quavel [SOURCE.mid|-] [OUTPUT.mid|-]", 0), 0u) << arguments;
        EXPECT_NE(run.output.find("\n  -Lreport "), std::string::npos) << arguments;
        EXPECT_EQ(run.output.find("Quavel for Java Apps"), std::string::npos) << arguments;
        EXPECT_FALSE(fileExists("out.mid")) << arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << arguments;
        EXPECT_FALSE(fileExists("in.log")) << arguments;
    }
    EXPECT_EQ(readFile("in.mid"), tune());
    // Only those exact words: other spellings stay ignored options.
    for (const char* option : {"-H", "-help", "---help"})
        EXPECT_EQ(quavel(std::string(option) + " in.mid out.mid").status, 0) << option;
}

TEST_F(QuavelProgram, ReportOptionNamesTheReportInEitherCase) {
    writeFile("in.mid", tune());
    const std::string settings =
        "Out file making as [out.mid] with TuneLength=[480]\nDinamic Detection on Level=1\n";
    for (const char* option : {"-Lin.log", "-lin.log"}) {
        std::remove("in.log");
        const ProgramRun run = quavel(std::string(option) + " in.mid out.mid");
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.output, banner + analysed("in.mid", "in.log") + settings) << option;
        EXPECT_NE(readText("in.log").find("MIDI-FileName:in.mid"), std::string::npos) << option;
        EXPECT_FALSE(fileExists("quavel.log")) << option;
    }
    // A later -L overrides an earlier one; a later one that does not fit does not.
    EXPECT_EQ(quavel("-Lfirst.log in.mid out.mid -lout.log").output,
              banner + analysed("in.mid", "out.log") + settings);
    EXPECT_EQ(quavel("-Lin.log in.mid out.mid -L").output, banner + analysed("in.mid", "in.log") + settings);
    std::remove("first.log");
}

TEST_F(QuavelProgram, ReportNamesThatDoNotFitLeaveTheDefaultAndNeverOverwriteATune) {
    writeFile("in.mid", tune());
    ASSERT_EQ(quavel("in.mid expected.mid").status, 0);
    const Bytes expected = readFile("expected.mid");
    const std::string settings =
        "Out file making as [out.mid] with TuneLength=[480]\nDinamic Detection on Level=1\n";
    const std::string tooLong(256, 'r');
    for (const std::string& option : {std::string("-L"), std::string("-l"), "-L" + tooLong,
                                      std::string("-Lin.mid"), std::string("-Lout.mid")}) {
        std::remove("quavel.log");
        std::remove("out.mid");
        const ProgramRun run = quavel(option + " in.mid out.mid");
        EXPECT_EQ(run.output, banner + analysed("in.mid") + settings) << option;
        EXPECT_TRUE(fileExists("quavel.log")) << option;
        EXPECT_EQ(readFile("in.mid"), tune()) << option;
        EXPECT_EQ(readFile("out.mid"), expected) << option;
    }
    // The source check compares the texts as given: the placeholder's name counts.
    writeFile("test.mid", tune());
    EXPECT_EQ(quavel("-Ltest.mid - -").output.find(analysed("test.mid")), banner.size());
    EXPECT_EQ(readFile("test.mid"), tune());
    // 255 characters still fit a path buffer.
    const std::string longest(255, 'r');
    EXPECT_NE(quavel("-L" + longest + " in.mid out.mid").output.find(analysed("in.mid", longest)),
              std::string::npos);
    std::remove(longest.c_str());
    std::remove("expected.mid");
}

TEST_F(QuavelProgram, AnUnwritableReportNameBehavesLikeAnUnwritableDefaultReport) {
    writeFile("in.mid", tune());
    // A folder in the default report's place makes that report unwritable.
    std::filesystem::create_directory("quavel.log");
    const ProgramRun blocked = quavel("in.mid out.mid");
    const Bytes blockedOutput = readFile("out.mid");
    std::filesystem::remove("quavel.log");
    std::remove("out.mid");

    const std::string name = "no-such-folder/in.log";
    ProgramRun run = quavel("-L" + name + " in.mid out.mid");
    const std::string shown = "Cannot write report [" + name + "]";
    const size_t at = run.output.find(shown);
    ASSERT_NE(at, std::string::npos) << run.output;
    run.output.replace(at, shown.size(), "Cannot write report [quavel.log]");
    EXPECT_EQ(run.output, blocked.output);
    EXPECT_EQ(run.status, blocked.status);
    EXPECT_EQ(readFile("out.mid"), blockedOutput);
    EXPECT_FALSE(fileExists("quavel.log"));
}

// Two runs converting different tunes into one output at the same moment:
// each stages its own file, so the output is always one of the two whole
// conversions, never a mix, and each run's word about it is true.
TEST_F(QuavelProgram, RunsIntoOneOutputAtOnceLeaveOneWholeOutput) {
    Bytes longer;
    for (int k = 0; k < 2000; ++k)
        longer = concat({longer, {0x01, 0x91, 0x40, 0x50, 0x01, 0x81, 0x40, 0x00}});
    writeFile("in.mid", tune());
    writeFile("in2.mid", smfFile(0, 96, {concat({longer, {0x00, 0xFF, 0x2F, 0x00}})}));
    ASSERT_EQ(quavel("in.mid out.mid").status, 0);
    ASSERT_EQ(quavel("in2.mid out2.mid").status, 0);
    const Bytes first = readFile("out.mid");
    const Bytes second = readFile("out2.mid");
    ASSERT_NE(first, second);
#ifdef _WIN32
    const int pairs = 50;  // each run starts a Wine process
#else
    const int pairs = 200;
#endif
    for (int pair = 0; pair < pairs; ++pair) {
        std::remove("both.mid");
        ProgramRun runs[2];
        std::thread other([&] { runs[1] = quavel("in2.mid both.mid"); });
        runs[0] = quavel("in.mid both.mid");
        other.join();
        EXPECT_EQ(runs[0].status, 0);
        EXPECT_EQ(runs[1].status, 0);
        const Bytes both = readFile("both.mid");
        EXPECT_TRUE(both == first || both == second) << "pair " << pair << ": " << both.size() << " bytes";
    }
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// The conversion may be made while the report is written, but its file is
// written after the report: an output named as the report ends as the
// converted tune, and a refused or unconvertible run leaves what it always did.
TEST_F(QuavelProgram, TheOutputIsWrittenAfterTheReport) {
    writeFile("in.mid", tune());
    ASSERT_EQ(quavel("in.mid out.mid -T960").status, 0);
    const ProgramRun run = quavel("in.mid quavel.log -T960");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile("quavel.log"), readFile("out.mid"));

    writeFile("in.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 3, 0, 1, 0, 96});
    std::remove("quavel.log");
    const ProgramRun refused = quavel("in.mid out.mid");
    EXPECT_EQ(refused.output, banner + "MIDI format no match\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_FALSE(fileExists("quavel.log"));
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}
