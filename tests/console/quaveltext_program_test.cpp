#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "run_program.h"
#include "test_support.h"

namespace {
const char* const usage =
    "usage: quaveltext export SOURCE.mid TEXT.txt | quaveltext import TEXT.txt OUT.mid\n";

Bytes song() {
    return smfFile(1, 480,
                   {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00},
                    {0x00, 0x99, 0x26, 0x64, 0x83, 0x60, 0x89, 0x26, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
}

class QuaveltextProgram : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"song.mid", "song.txt", "back.mid", "quavel.log", "song.log", "link.txt",
                                 "link.mid", "other.txt", "dangling.txt"})
            std::remove(name);
        std::filesystem::remove_all("sub");
    }
    // A run that must leave both files as they were and write nothing else.
    void expectOwnSourceRefused(const std::string& arguments, const std::string& text) {
        const ProgramRun run = quaveltext(arguments);
        EXPECT_EQ(run.output, "Cannot out to this_file. so no converted.\n") << arguments;
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(readFile("song.mid"), song()) << arguments;
        EXPECT_EQ(readText("song.txt"), text) << arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << arguments;
        EXPECT_FALSE(fileExists("song.log")) << arguments;
    }
    static ProgramRun quaveltext(const std::string& arguments) {
        return runProgram(QUAVELTEXT_PROGRAM, arguments);
    }
};
}  // namespace

TEST_F(QuaveltextProgram, ExportsAndImportsAgain) {
    writeFile("song.mid", song());
    ProgramRun run = quaveltext("export song.mid song.txt");
    EXPECT_EQ(run.output, "TEXT EventFile[song.txt] Out OK\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(fileExists("quavel.log"));
    EXPECT_NE(readText("song.txt").find("    480:89 ASN 00 \r\n"), std::string::npos);

    run = quaveltext("import song.txt back.mid");
    EXPECT_EQ(run.output, "TEXT[song.txt] to MIDI[back.mid] complete.\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile("back.mid"), song());
}

TEST_F(QuaveltextProgram, ReportsFailuresAndUsageWithStatus1) {
    const struct {
        const char* arguments;
        const char* output;
    } cases[] = {
        {"export missing.mid song.txt", "Cannot open source file\n"},
        {"export song.txt out.txt", "this is not midi\n"},
        {"export song.mid no-such-folder/song.txt", "TEXT EventFile Cannot out\n"},
        {"import missing.txt back.mid", "cannot convert TEXT to MIDI.\nCannot read [missing.txt]\n"},
        {"import song.mid back.mid", "cannot convert TEXT to MIDI.\nLine 1 is not -H:MIDI-EventFile\n"},
        {"import song.txt no-such-folder/back.mid",
         "cannot convert TEXT to MIDI.\nCannot write [no-such-folder/back.mid]\n"},
        {"", usage},
        {"export song.mid", usage},
        {"convert a.mid b.txt", usage},
        {"import a.txt b.mid c.mid", usage},
    };
    writeFile("song.mid", song());
    writeTextFile("song.txt", "not a MIDI file at all");
    for (const auto& c : cases) {
        const ProgramRun run = quaveltext(c.arguments);
        EXPECT_EQ(run.output, c.output) << c.arguments;
        EXPECT_EQ(run.status, 1) << c.arguments;
    }
    EXPECT_FALSE(fileExists("out.txt")) << "a refused source exports nothing";
}

TEST_F(QuaveltextProgram, HelpWordsPrintTheUsageWithStatus0AndTouchNoFile) {
    writeFile("song.mid", song());
    for (const char* arguments :
         {"--help", "-h", "\"-?\"", "export song.mid song.txt -h", "import --help song.txt back.mid"}) {
        const ProgramRun run = quaveltext(arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_EQ(run.output.rfind("usage: quaveltext export [-Lreport] SOURCE.mid TEXT.txt\n", 0), 0u)
            << arguments;
        EXPECT_FALSE(fileExists("song.txt")) << arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << arguments;
    }
}

TEST_F(QuaveltextProgram, ExportReportOptionNamesTheReportUnlessItDoesNotFit) {
    writeFile("song.mid", song());
    for (const char* arguments :
         {"export -Lsong.log song.mid song.txt", "export song.mid -lsong.log song.txt"}) {
        std::remove("song.log");
        EXPECT_EQ(quaveltext(arguments).output, "TEXT EventFile[song.txt] Out OK\n") << arguments;
        EXPECT_NE(readText("song.log").find("MIDI-FileName:song.mid"), std::string::npos) << arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << arguments;
    }
    const std::string tooLong = "-L" + std::string(256, 'r');
    for (const std::string& option :
         {std::string("-L"), tooLong, std::string("-Lsong.mid"), std::string("-lsong.txt")}) {
        std::remove("quavel.log");
        EXPECT_EQ(quaveltext("export " + option + " song.mid song.txt").status, 0) << option;
        EXPECT_TRUE(fileExists("quavel.log")) << option;
        EXPECT_EQ(readFile("song.mid"), song()) << option;
        EXPECT_EQ(readText("song.txt").rfind("-H:MIDI-EventFile", 0), 0u) << option;
    }
    // import writes no report: its arguments stay as they were.
    EXPECT_EQ(quaveltext("import -Lsong.log song.txt back.mid").output, usage);
}

// The report's line comes before the TEXT line, and only when the report was
// not written; the export itself goes on.
TEST_F(QuaveltextProgram, ExportSaysWhenTheReportCouldNotBeWritten) {
    writeFile("song.mid", song());
    std::filesystem::create_directory("quavel.log");
    ProgramRun run = quaveltext("export song.mid song.txt");
    EXPECT_EQ(run.output, "Cannot write report [quavel.log].\nTEXT EventFile[song.txt] Out OK\n");
    EXPECT_EQ(run.status, 0);
    run = quaveltext("export song.mid no-such-folder/song.txt");
    EXPECT_EQ(run.output, "Cannot write report [quavel.log].\nTEXT EventFile Cannot out\n");
    std::filesystem::remove("quavel.log");
    // The default report is never written over the source, under any spelling.
    writeFile("quavel.log", song());
    for (const char* source : {"quavel.log", "./quavel.log"}) {
        run = quaveltext(std::string("export ") + source + " song.txt");
        EXPECT_EQ(run.output, "Cannot write report [quavel.log].\nTEXT EventFile[song.txt] Out OK\n")
            << source;
        EXPECT_EQ(readFile("quavel.log"), song()) << source;
    }
    EXPECT_EQ(quaveltext("export -L./song.mid song.mid song.txt").output,
              "TEXT EventFile[song.txt] Out OK\n");
    EXPECT_EQ(readFile("song.mid"), song());
}

// Neither command writes over what it reads, under any spelling of its name.
TEST_F(QuaveltextProgram, NoSpellingOfTheInputIsWrittenOver) {
    writeFile("song.mid", song());
    ASSERT_EQ(quaveltext("export song.mid song.txt").status, 0);
    const std::string text = readText("song.txt");
    std::remove("quavel.log");
    for (const char* arguments :
         {"export song.mid song.mid", "export song.mid ./song.mid", "export -Lsong.log song.mid ./song.mid",
          "import song.txt song.txt", "import song.txt ./song.txt"})
        expectOwnSourceRefused(arguments, text);
}

#ifndef _WIN32
TEST_F(QuaveltextProgram, ALinkToTheInputIsTheInput) {
    writeFile("song.mid", song());
    ASSERT_EQ(quaveltext("export song.mid song.txt").status, 0);
    const std::string text = readText("song.txt");
    std::remove("quavel.log");
    std::filesystem::create_symlink("song.mid", "link.txt");
    std::filesystem::create_symlink("song.txt", "link.mid");
    expectOwnSourceRefused("export song.mid link.txt", text);
    expectOwnSourceRefused("import song.txt link.mid", text);
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink("link.mid"));
}

// The report never goes through a link to the source, nor where a dangling
// text link leads: the text would then replace it.
TEST_F(QuaveltextProgram, TheExportReportNeverTakesTheSourceOrTheTextsPlace) {
    writeFile("song.mid", song());
    std::filesystem::create_symlink("song.mid", "link.txt");
    EXPECT_EQ(quaveltext("export -Llink.txt song.mid other.txt").output,
              "TEXT EventFile[other.txt] Out OK\n");
    EXPECT_EQ(readFile("song.mid"), song());
    EXPECT_NE(readText("quavel.log").find("MIDI-FileName:song.mid"), std::string::npos);
    std::remove("quavel.log");

    std::filesystem::create_directory("sub");
    std::filesystem::create_symlink("sub/x.txt", "dangling.txt");
    const ProgramRun run = quaveltext("export -Lsub/x.txt song.mid dangling.txt");
    EXPECT_EQ(run.output, "TEXT EventFile Cannot out\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("sub/x.txt")));
    EXPECT_TRUE(fileExists("quavel.log"));
}
#endif

#ifndef _WIN32
TEST_F(QuaveltextProgram, AnInterruptedExportOrImportLeavesNoTemporary) {
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().find(".tmp") != std::string::npos)
            std::filesystem::remove(entry);
    writeFile("long.mid", manyNotes(400000));
    ASSERT_EQ(quaveltext("export long.mid long.txt").status, 0);
    writeTextFile("song.txt", "old text");
    writeTextFile("quavel.log", "old report");
    writeTextFile("back.mid", "old tune");
    const std::vector<std::string> runs[] = {{"export", "long.mid", "song.txt"},
                                             {"import", "long.txt", "back.mid"}};
    for (const auto& arguments : runs) {
        for (int signalNumber : {SIGINT, SIGTERM}) {
            EXPECT_EQ(interruptWhileStaged(QUAVELTEXT_PROGRAM, arguments, ".", signalNumber), signalNumber)
                << arguments[0];
            EXPECT_FALSE(holdsStagedFile(".")) << arguments[0];
            EXPECT_EQ(readText("song.txt"), "old text");
            EXPECT_EQ(readText("quavel.log"), "old report");
            EXPECT_EQ(readText("back.mid"), "old tune");
        }
    }
    std::remove("long.mid");
    std::remove("long.txt");
}
#endif
