#include <gtest/gtest.h>

#include <cstdio>
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
        for (const char* name : {"song.mid", "song.txt", "back.mid", "quavel.log"}) std::remove(name);
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
        {"import missing.txt back.mid", "cannot convert TEXT to MIDI.\n"},
        {"import song.mid back.mid", "cannot convert TEXT to MIDI.\n"},
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
