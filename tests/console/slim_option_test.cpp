// quavel -Z and -0: the slimmed file, the line with its size and format after
// the MIP lines, and the lines that say why a file stays as it is.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "quavel_version.h"
#include "run_program.h"
#include "test_support.h"

namespace {
std::string settingsFor(int tuneLength) {
    return std::string("Quavel for Java Apps. Version ") + QuavelVersion + "\n" +
           "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
           "Out file making as [out.mid] with TuneLength=[" +
           std::to_string(tuneLength) + "]\n" + "Dinamic Detection on Level=1\n";
}
const std::string settings = settingsFor(960);
const Bytes End = {0x00, 0xFF, 0x2F, 0x00};

// A named tempo track and a named track of two notes, one after the other.
Bytes namedTune(int format = 1) {
    return smfFile(format, 480,
                   {{0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g', 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                     0x00, 0xFF, 0x2F, 0x00},
                    {0x00, 0xFF, 0x03, 0x04, 'L',  'e',  'a',  'd',  0x00, 0xC0, 0x05,
                     0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0x90,
                     0x3E, 0x64, 0x83, 0x60, 0x80, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
}

// One note under running status, its end a note-on of velocity 0: nothing
// for -Z to leave out or encode otherwise.
Bytes leanTune() {
    return smfFile(0, 480, {{0x00, 0x90, 0x3C, 0x64, 0x87, 0x40, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
}

std::string mergedLine(size_t after, size_t before) {
    return "-> Format 0: " + std::to_string(after) + " bytes from " + std::to_string(before) + "\n";
}

std::string slimmedLine(size_t after, size_t before, int format) {
    return "-> Slimmed to " + std::to_string(after) + " bytes from " + std::to_string(before) + " (format " +
           std::to_string(format) + ")\n";
}

int formatOf(const Bytes& file) {
    return file.size() < 10 ? -1 : file[8] << 8 | file[9];
}

class SlimOption : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"in.mid", "out.mid", "plain.mid", "quavel.log"}) std::remove(name);
        writeFile("in.mid", namedTune());
    }
    static ProgramRun quavel(const std::string& arguments) {
        return runProgram(QUAVEL_PROGRAM, "in.mid out.mid " + arguments);
    }
    static Bytes plainOutput() {
        EXPECT_EQ(runProgram(QUAVEL_PROGRAM, "in.mid plain.mid").status, 0);
        return readFile("plain.mid");
    }
};
}  // namespace

TEST_F(SlimOption, MinusZWritesTheSlimmedFileAndSaysItsSizeAndFormat) {
    const Bytes plain = plainOutput();
    const ProgramRun run = quavel("-Z");
    EXPECT_EQ(run.status, 0) << run.output;
    const Bytes slimmed = readFile("out.mid");
    EXPECT_LT(slimmed.size(), plain.size());
    EXPECT_EQ(run.output, settings + slimmedLine(slimmed.size(), plain.size(), 1));
    // The names are gone; the second note's start follows the first's end under running status.
    const std::string name = "Lead";
    EXPECT_EQ(std::search(slimmed.begin(), slimmed.end(), name.begin(), name.end()), slimmed.end());
    const Bytes notes = {0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x3C, 0x00, 0x00, 0x3E, 0x64};
    EXPECT_NE(std::search(slimmed.begin(), slimmed.end(), notes.begin(), notes.end()), slimmed.end());
    EXPECT_EQ(quavel("-z").output, run.output);
    EXPECT_EQ(readFile("out.mid"), slimmed);
}

TEST_F(SlimOption, MinusZeroWritesFormatZero) {
    const Bytes plain = plainOutput();
    const ProgramRun run = quavel("-0");
    EXPECT_EQ(run.status, 0) << run.output;
    const Bytes merged = readFile("out.mid");
    EXPECT_EQ(formatOf(merged), 0);
    EXPECT_EQ(run.output, settings + mergedLine(merged.size(), plain.size()));
    // With -Z too, the smaller of the two.
    const ProgramRun both = quavel("-0 -Z");
    EXPECT_EQ(formatOf(readFile("out.mid")), 0);
    EXPECT_EQ(both.output, settings + slimmedLine(readFile("out.mid").size(), plain.size(), 0));
}

TEST_F(SlimOption, TheSlimmingLineFollowsTheMipLines) {
    const Bytes plainWithMips = [] {
        EXPECT_EQ(runProgram(QUAVEL_PROGRAM, "in.mid plain.mid -S").status, 0);
        return readFile("plain.mid");
    }();
    for (const char* options : {"-S -Z", "-Z -S"}) {
        const ProgramRun run = quavel(options);
        EXPECT_EQ(run.output, settings + "-> SP-MIDI MIP of ch0 = 2\n" +
                                  slimmedLine(readFile("out.mid").size(), plainWithMips.size(), 1))
            << options;
    }
    // The message stays first in the first track.
    const Bytes message = {0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x02, 0xF7};
    const Bytes slimmed = readFile("out.mid");
    EXPECT_EQ(Bytes(slimmed.begin() + 22, slimmed.begin() + 22 + static_cast<long>(message.size())), message);
}

TEST_F(SlimOption, AFormatTwoSourceStaysInFormatTwoWithALineSayingSo) {
    writeFile("in.mid", namedTune(2));
    const Bytes plain = plainOutput();
    ProgramRun run = quavel("-0");
    EXPECT_EQ(run.output, settings + "-> Format 2 kept: its tracks are separate sequences, not merged\n");
    EXPECT_EQ(readFile("out.mid"), plain);
    run = quavel("-0 -Z");
    const Bytes slimmed = readFile("out.mid");
    EXPECT_EQ(formatOf(slimmed), 2);
    EXPECT_LT(slimmed.size(), plain.size());
    EXPECT_NE(run.output.find(slimmedLine(slimmed.size(), plain.size(), 2)), std::string::npos);
}

TEST_F(SlimOption, ATrackWithoutItsEndIsWrittenAsConvertedWithALineSayingWhy) {
    writeFile("in.mid",
              smfFile(1, 480, {{0x00, 0xFF, 0x03, 0x01, 'a'}, concat({{0x00, 0x90, 0x3C, 0x64}, End})}));
    const Bytes plain = plainOutput();
    const std::string why = ": a track has no End of Track, so a handset reads on past it\n";
    for (const char* options : {"-Z -0", "-Z"}) {
        const ProgramRun run = quavel(options);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, settingsFor(0) + "-> Not slimmed" + why) << options;
        EXPECT_EQ(readFile("out.mid"), plain) << options;
    }
    // Asked only to merge, the file was not merged.
    EXPECT_EQ(quavel("-0").output, settingsFor(0) + "-> Not merged" + why);
    EXPECT_EQ(readFile("out.mid"), plain);
}

TEST_F(SlimOption, ATuneWithNothingToLeaveOutSaysSo) {
    writeFile("in.mid", leanTune());
    const Bytes plain = plainOutput();
    for (const char* options : {"-Z", "-0 -Z"}) {
        const ProgramRun run = quavel(options);
        EXPECT_EQ(run.output, settings + "-> Slimmed: nothing to leave out (" + std::to_string(plain.size()) +
                                  " bytes, format 0)\n")
            << options;
        EXPECT_EQ(readFile("out.mid"), plain) << options;
    }
}

TEST_F(SlimOption, ASystemMessageInATrackIsWrittenAsConvertedWithALineSayingWhy) {
    // A song position pointer, F2 and two data bytes: the reader takes one.
    writeFile(
        "in.mid",
        smfFile(1, 480,
                {{0x00, 0xFF, 0x03, 0x01, 'a', 0x00, 0xFF, 0x2F, 0x00},
                 concat({{0x00, 0x90, 0x3C, 0x64, 0x00, 0xF2, 0x10, 0x20, 0x60, 0x80, 0x3C, 0x40}, End})}));
    const Bytes plain = plainOutput();
    for (const char* options : {"-Z", "-Z -0"}) {
        const ProgramRun run = quavel(options);
        EXPECT_EQ(run.status, 0) << options;
        EXPECT_NE(
            run.output.find(
                "-> Not slimmed: a track holds a system message, which a handset reads at another length\n"),
            std::string::npos)
            << run.output;
        EXPECT_EQ(readFile("out.mid"), plain) << options;
    }
}

TEST_F(SlimOption, MisformedOptionsAreIgnored) {
    const Bytes plain = plainOutput();
    for (const char* option : {"-Zx", "-z1", "-00", "-0x", "-ZZ"}) {
        const ProgramRun run = quavel(option);
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.output, settings) << option;
        EXPECT_EQ(readFile("out.mid"), plain) << option;
    }
}

TEST_F(SlimOption, TheUsageTextNamesBothOptions) {
    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "--help");
    EXPECT_NE(run.output.find("[-Z] [-0]"), std::string::npos);
    EXPECT_NE(run.output.find("\n  -Z "), std::string::npos);
    EXPECT_NE(run.output.find("\n  -0 "), std::string::npos);
}
