// quavel -P: the converted file checked against handset profiles, with the
// shipped profiles found by name beside the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "midi_generator.h"
#include "quavel_version.h"
#include "run_program.h"
#include "test_support.h"

namespace {
const std::string banner = std::string("Quavel for Java Apps. Version ") + QuavelVersion + "\n";
const std::string settings = banner +
                             "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
                             "Out file making as [out.mid] with TuneLength=[1920]\n"
                             "Dinamic Detection on Level=1\n";

const char* const ShippedProfiles[] = {"gm-lite", "sp-midi-3gpp", "voices-16", "voices-32", "voices-64"};

// Channel 0 in track 1: a chord of the 17 keys 48..64 from 0 to 480, then
// key 110 from 480 to 960 with a pitch bend at 480.
Bytes seventeenVoices() {
    Bytes chord = {0x00, 0x90, 48, 0x64};
    for (uint8_t key = 49; key <= 64; ++key) chord.insert(chord.end(), {0x00, key, 0x64});
    Bytes release = {0x83, 0x60, 0x80, 48, 0x40};
    for (uint8_t key = 49; key <= 64; ++key) release.insert(release.end(), {0x00, key, 0x40});
    const Bytes high = {0x00, 0x90, 110, 0x64, 0x00, 0xE0, 0x00, 0x50, 0x83,
                        0x60, 0x80, 110, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    return smfFile(
        1, 480,
        {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00}, concat({chord, release, high})});
}

std::string checkLines(const std::string& name, const std::vector<std::string>& findings) {
    std::string text;
    for (const std::string& finding : findings) text += "-> Handset check [" + name + "]: " + finding + "\n";
    if (findings.empty()) return text + "-> Handset check [" + name + "]: fits\n";
    const size_t n = findings.size();
    return text + "-> Handset check [" + name + "]: " + std::to_string(n) +
           (n == 1 ? " finding\n" : " findings\n");
}

class HandsetCheckOption : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"in.mid", "out.mid", "plain.mid", "quavel.log", "gm-lite.profile", "own.profile"})
            std::remove(name);
        writeFile("in.mid", seventeenVoices());
    }
    void TearDown() override { std::remove("gm-lite.profile"); }
    static ProgramRun quavel(const std::string& arguments) {
        return runProgram(QUAVEL_PROGRAM, "in.mid out.mid -T1920 " + arguments);
    }
};
}  // namespace

TEST_F(HandsetCheckOption, EachShippedProfileByName) {
    const std::vector<std::string> findings[] = {
        {"17 notes at once at track 1 tick 0, over 16 voices"},
        {"pitch bend on ch0, 1 messages, first at track 1 tick 480", "no MIP message"},
        {"17 notes at once at track 1 tick 0, over 16 voices"},
        {},
        {"keys outside 12-108 on ch0: 1 notes, first key 110 at track 1 tick 480"},
    };
    for (size_t k = 0; k < std::size(ShippedProfiles); ++k) {
        const std::string name = ShippedProfiles[k];
        const ProgramRun run = quavel("-P" + name);
        EXPECT_EQ(run.output, settings + checkLines(name, findings[k])) << name;
        EXPECT_EQ(run.status, findings[k].empty() ? 0 : 3) << name;
    }
}

TEST_F(HandsetCheckOption, TheMipMessageComesFirstAndDecidesWhatAHandsetPlays) {
    const ProgramRun run = quavel("-S -Pvoices-16 -psp-midi-3gpp");
    EXPECT_EQ(run.status, 3);
    // At 16 voices the handset mutes channel 0, which needs 17.
    EXPECT_EQ(run.output,
              settings + "-> SP-MIDI MIP of ch0 = 17\n" + checkLines("voices-16", {}) +
                  checkLines("sp-midi-3gpp", {"pitch bend on ch0, 1 messages, first at track 1 tick 480",
                                              "first MIP value 17, over 6"}));
}

TEST_F(HandsetCheckOption, TheFileIsWrittenWhetherItFitsOrNot) {
    ASSERT_EQ(runProgram(QUAVEL_PROGRAM, "in.mid plain.mid -T1920").status, 0);
    const Bytes plain = readFile("plain.mid");
    EXPECT_EQ(quavel("-Pgm-lite").status, 3);
    EXPECT_EQ(readFile("out.mid"), plain);
    std::remove("out.mid");
    EXPECT_EQ(quavel("-Pvoices-32").status, 0);
    EXPECT_EQ(readFile("out.mid"), plain);
}

TEST_F(HandsetCheckOption, SeveralProfilesAreCheckedInTurn) {
    const ProgramRun run = quavel("-Pvoices-32 -Pvoices-64 -Pvoices-32");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.output,
              settings + checkLines("voices-32", {}) +
                  checkLines("voices-64",
                             {"keys outside 12-108 on ch0: 1 notes, first key 110 at track 1 tick 480"}) +
                  checkLines("voices-32", {}));
}

TEST_F(HandsetCheckOption, ANameIsLookedForInTheCurrentFolderFirst) {
    writeTextFile("gm-lite.profile", "voices = 17\n");
    EXPECT_EQ(quavel("-Pgm-lite").output, settings + checkLines("gm-lite", {}));
    writeTextFile("own.profile", "voices = 8\nformats = 0\n");
    const ProgramRun run = quavel("-P./own.profile");
    EXPECT_EQ(run.output,
              settings + checkLines("./own.profile", {"17 notes at once at track 1 tick 0, over 8 voices",
                                                      "format 1, not allowed"}));
    EXPECT_EQ(run.status, 3);
}

TEST_F(HandsetCheckOption, AProfileThatCannotBeReadEndsTheRunBeforeAnyFileIsTouched) {
    writeFile("out.mid", {1, 2, 3});
    writeTextFile("own.profile", "voices = 16\n\nloudness = 11\n");
    const struct {
        const char* arguments;
        const char* message;
    } refusals[] = {
        {"-Pvoices-16 -Pown", "Profile [own] line 3: unknown key [loudness]\n"},
        {"-Pnothing-like-it -Pown", "Cannot open profile [nothing-like-it]\n"},
        {"-P", "Cannot open profile []\n"},
    };
    for (const auto& refusal : refusals) {
        const ProgramRun run = quavel(refusal.arguments);
        EXPECT_EQ(run.output, banner + refusal.message) << refusal.arguments;
        EXPECT_EQ(run.status, 1) << refusal.arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << refusal.arguments;
        EXPECT_EQ(readFile("out.mid"), (Bytes{1, 2, 3})) << refusal.arguments;
    }
    writeTextFile("own.profile", "voices = many\n");
    EXPECT_EQ(quavel("-Pown").output, banner + "Profile [own] line 1: bad value for [voices]\n");
    // Before the source, too: a missing source is not reached.
    EXPECT_EQ(runProgram(QUAVEL_PROGRAM, "missing.mid out.mid -Pown").output,
              banner + "Profile [own] line 1: bad value for [voices]\n");
}

TEST_F(HandsetCheckOption, AFailedWriteIsTheLastLine) {
    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "in.mid no-such-folder/out.mid -T1920 -Pvoices-32");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, banner +
                              "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
                              "Out file making as [no-such-folder/out.mid] with TuneLength=[1920]\n"
                              "Dinamic Detection on Level=1\n" +
                              checkLines("voices-32", {}) + "Cannot open dest file\n");
}

TEST_F(HandsetCheckOption, AGeneratedTuneGetsTheCheckOfTheFileWritten) {
    GeneratorOptions options;
    options.trackCount = 4;
    writeFile("in.mid", generateMidiFile(7, options));
    for (const char* name : ShippedProfiles) {
        const ProgramRun run = runProgram(QUAVEL_PROGRAM, std::string("in.mid out.mid -S -P") + name);
        // The shipped profile, read from the sources, against the bytes written.
        const ProfileReading profile =
            loadHandsetProfile(testDataPath("../../profiles/" + std::string(name) + ".profile"), "");
        ASSERT_TRUE(profile.ok()) << profile.refusal;
        std::vector<HandsetProfile> profiles = {profile.profile};
        profiles[0].name = name;
        std::vector<HandsetFit> fits;
        ASSERT_TRUE(checkHandsetFits(readFile("out.mid"), profiles, fits).ok());
        const HandsetFit& fit = fits.front();
        std::string expected;
        for (const std::string& line : fit.lines()) expected += line + "\n";
        ASSERT_GE(run.output.size(), expected.size());
        EXPECT_EQ(run.output.substr(run.output.size() - expected.size()), expected) << name;
        EXPECT_EQ(run.status, fit.fits() ? 0 : 3) << name;
    }
}

TEST_F(HandsetCheckOption, TheUsageTextNamesTheOption) {
    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "--help");
    EXPECT_NE(run.output.find("  -Pprofile "), std::string::npos);
}
