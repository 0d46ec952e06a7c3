// quavel -P: the converted file checked against handset profiles, with the
// shipped profiles found by name beside the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "handset_tunes.h"
#include "midi_generator.h"
#include "quavel_version.h"
#include "run_program.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {
const std::string banner = std::string("Quavel for Java Apps. Version ") + QuavelVersion + "\n";
const std::string settings = banner +
                             "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
                             "Out file making as [out.mid] with TuneLength=[1920]\n"
                             "Dinamic Detection on Level=1\n";

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
        {"17 voices at once (17 notes) at 0:00.000 (bar 1 beat 1, track 1 tick 0), over 16 voices; ch0 17"},
        {"pitch bend on ch0, 1 message, first at 0:00.500 (bar 1 beat 2, track 1 tick 480)",
         "no MIP message"},
        {"17 voices at once (17 notes) at 0:00.000 (bar 1 beat 1, track 1 tick 0), over 16 voices; ch0 17"},
        {},
        {"keys outside 12-108 on ch0: 1 note, first key 110 at 0:00.500 (bar 1 beat 2, track 1 tick 480)"},
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
    EXPECT_EQ(
        run.output,
        settings + "-> SP-MIDI MIP of ch0 = 17\n" + checkLines("voices-16", {}) +
            checkLines("sp-midi-3gpp",
                       {"pitch bend on ch0, 1 message, first at 0:00.500 (bar 1 beat 2, track 1 tick 480)",
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
    EXPECT_EQ(run.output, settings + checkLines("voices-32", {}) +
                              checkLines("voices-64", {"keys outside 12-108 on ch0: 1 note, first key 110 at "
                                                       "0:00.500 (bar 1 beat 2, track 1 tick 480)"}) +
                              checkLines("voices-32", {}));
}

TEST_F(HandsetCheckOption, ANameIsLookedForInTheCurrentFolderFirst) {
    writeTextFile("gm-lite.profile", "voices = 17\n");
    // Named as found here, so that it is never taken for the installed one.
    EXPECT_EQ(quavel("-Pgm-lite").output, settings + checkLines("./gm-lite", {}));
    EXPECT_EQ(quavel("-Pgm-lite.profile").output, settings + checkLines("./gm-lite", {}));
    std::remove("gm-lite.profile");
    EXPECT_EQ(quavel("-Pgm-lite.profile").output, quavel("-Pgm-lite").output);
    writeTextFile("own.profile", "voices = 8\nformats = 0\n");
    const ProgramRun run = quavel("-P./own.profile");
    EXPECT_EQ(run.output,
              settings + checkLines("./own.profile", {"17 voices at once (17 notes) at 0:00.000 (bar 1 beat "
                                                      "1, track 1 tick 0), over 8 voices; ch0 17",
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
        {"-Pvoices-16 -Pown", "Profile [./own] line 3: unknown key [loudness]\n"},
        {"-Pnothing-like-it -Pown", "Cannot open profile [nothing-like-it]\n"},
        {"-P", "Cannot open profile []\n"},
#ifdef _WIN32
        {"-PNUL", "Cannot open profile [./NUL]\n"},
#else
        {"-P/dev/zero", "Cannot open profile [/dev/zero]\n"},
        {"-P/dev/null", "Cannot open profile [/dev/null]\n"},
#endif
    };
    for (const auto& refusal : refusals) {
        const ProgramRun run = quavel(refusal.arguments);
        EXPECT_EQ(run.output, banner + refusal.message) << refusal.arguments;
        EXPECT_EQ(run.status, 1) << refusal.arguments;
        EXPECT_FALSE(fileExists("quavel.log")) << refusal.arguments;
        EXPECT_EQ(readFile("out.mid"), (Bytes{1, 2, 3})) << refusal.arguments;
    }
    writeTextFile("own.profile", "voices = many\n");
    EXPECT_EQ(quavel("-Pown").output, banner + "Profile [./own] line 1: bad value for [voices]\n");
    // Before the source, too: a missing source is not reached.
    EXPECT_EQ(runProgram(QUAVEL_PROGRAM, "missing.mid out.mid -Pown").output,
              banner + "Profile [./own] line 1: bad value for [voices]\n");
}

// No verdict on a file never written: the MIP, slimming and check lines
// follow the write, and a failed write is the only line after the settings.
TEST_F(HandsetCheckOption, AFailedWriteGetsNoLinesOfTheFileItWouldHaveWritten) {
    const std::string options = " -T1920 -S -Z -Pvoices-32";
    const ProgramRun written = runProgram(QUAVEL_PROGRAM, "in.mid out.mid" + options);
    ASSERT_EQ(written.status, 0) << written.output;
    const std::string lines[] = {"\n-> SP-MIDI MIP of ch0 = ", "\n-> Slimmed", checkLines("voices-32", {})};
    for (const std::string& line : lines)
        EXPECT_NE(written.output.find(line), std::string::npos) << line << " in " << written.output;

    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "in.mid no-such-folder/out.mid" + options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, banner +
                              "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
                              "Out file making as [no-such-folder/out.mid] with TuneLength=[1920]\n"
                              "Dinamic Detection on Level=1\n"
                              "Cannot open dest file\n");
}

TEST_F(HandsetCheckOption, AGeneratedTuneGetsTheCheckOfTheFileWritten) {
    GeneratorOptions options;
    options.trackCount = 4;
    writeFile("in.mid", generateMidiFile(7, options));
    for (const char* name : ShippedProfiles) {
        const ProgramRun run = runProgram(QUAVEL_PROGRAM, std::string("in.mid out.mid -S -P") + name);
        // The shipped profile, read from the sources, against the bytes written.
        HandsetProfile profile;
        const Result read =
            loadHandsetProfile(testDataPath("../../profiles/" + std::string(name) + ".profile"), "", profile);
        ASSERT_TRUE(read.ok()) << read.message();
        std::vector<HandsetProfile> profiles = {profile};
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

namespace {
// quavel --profiles in a folder of its own, so that "." holds only the profiles a test puts there.
class ProfilesListing : public ::testing::Test {
protected:
    static constexpr const char* Folder = "listing";
    void SetUp() override {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directory(Folder);
        std::filesystem::current_path(Folder);
    }
    void TearDown() override { std::filesystem::current_path(".."); }

    static std::set<std::string> filesHere() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            names.insert(entry.path().filename().string());
        return names;
    }
};

std::string listed(const std::string& name, const std::string& path, const std::string& values) {
    return name + "\t" + path + "\t" + values + "\n";
}

// The folder the installed profiles are listed in, from gm-lite's line.
std::string installedFolderIn(const std::string& listing) {
    const std::string file = "/gm-lite.profile\t";
    const size_t line = listing.find("gm-lite\t");
    const size_t end = listing.find(file, line);
    if (line == std::string::npos || end == std::string::npos) return {};
    const size_t path = line + std::string("gm-lite\t").size();
    return listing.substr(path, end - path);
}
}  // namespace

TEST_F(ProfilesListing, EachProfileANameFindsInSearchOrderWithItsSettings) {
    writeTextFile("voices-16.profile", "voices = 008\n");
    writeTextFile("mine.profile",
                  "\xEF\xBB\xBF# mine\nunsupported = pan, pitch-bend\nformats = 1 0 1\nvoices = 4\n");
    writeTextFile("broken.profile", "voices = 4\n\x1B[2J = 1\n");
    writeTextFile("empty.profile", "");
    writeTextFile("notes.txt", "voices = 1\n");
    writeTextFile("twice.profile.profile", "voices = 1\n");
    const std::set<std::string> before = filesHere();
    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "--profiles");
    EXPECT_EQ(run.status, 0);
    const std::string installed = installedFolderIn(run.output);
    ASSERT_FALSE(installed.empty()) << run.output;
    const std::string shipped = " max-bytes=65536 formats=0,1 mip=allowed";
    EXPECT_EQ(run.output,
              listed("broken", "./broken.profile", "Profile [./broken] line 2: unknown key [\\x1B[2J]") +
                  listed("empty", "./empty.profile", "") +
                  listed("mine", "./mine.profile", "unsupported=pitch-bend,pan formats=0,1 voices=4") +
                  listed("voices-16", "./voices-16.profile", "voices=8") +
                  listed("gm-lite", installed + "/gm-lite.profile", "voices=16 formats=0,1 mip=ignored") +
                  listed("sp-midi-3gpp", installed + "/sp-midi-3gpp.profile",
                         "voices=24 formats=0,1 mip=required mip-first-max=6 min-note-ms=5 "
                         "unsupported=pitch-bend,channel-pressure,pan,master-volume") +
                  listed("voices-16", installed + "/voices-16.profile",
                         "voices=16" + shipped + "\t(hidden by ./voices-16.profile)") +
                  listed("voices-32", installed + "/voices-32.profile", "voices=32" + shipped) +
                  listed("voices-64", installed + "/voices-64.profile",
                         "voices=64" + shipped + " key-range=12-108 max-tracks=100"));
    // No banner, no report, nothing written.
    EXPECT_EQ(filesHere(), before);
}

TEST_F(ProfilesListing, WhatIsNoProfileIsListedWithoutBlocking) {
    std::filesystem::create_directory("folder.profile");
#ifndef _WIN32
    ASSERT_EQ(mkfifo("fifo.profile", 0600), 0);
    std::filesystem::create_symlink("nowhere", "dangling.profile");
#endif
    const ProgramRun run = runProgram(QUAVEL_PROGRAM, "--profiles in.mid out.mid -Pvoices-16");
    EXPECT_EQ(run.status, 0);
#ifndef _WIN32
    EXPECT_EQ(run.output.find("dangling"), std::string::npos);
    EXPECT_EQ(run.output.rfind(listed("fifo", "./fifo.profile", "Cannot open profile [./fifo]") +
                                   listed("folder", "./folder.profile", "Cannot open profile [./folder]"),
                               0),
              0u)
        << run.output;
#else
    EXPECT_EQ(run.output.rfind(listed("folder", "./folder.profile", "Cannot open profile [./folder]"), 0), 0u)
        << run.output;
#endif
    EXPECT_FALSE(fileExists("out.mid"));
    EXPECT_FALSE(fileExists("quavel.log"));
}

TEST_F(ProfilesListing, TheUsageTextNamesIt) {
    EXPECT_NE(runProgram(QUAVEL_PROGRAM, "--help").output.find("\n  --profiles "), std::string::npos);
}

TEST_F(HandsetCheckOption, TooManyTracksSaysWhenMinus0MergesThem) {
    writeTextFile("own.profile", "max-tracks = 1\n");
    const ProgramRun run = quavel("-P./own.profile");
    EXPECT_EQ(run.output, settings + checkLines("./own.profile", {"2 tracks, over 1 (-0 merges them)"}));
    EXPECT_EQ(run.status, 3);
    // Merged, the file fits.
    const ProgramRun merged = quavel("-0 -P./own.profile");
    const std::string fits = checkLines("./own.profile", {});
    ASSERT_GE(merged.output.size(), fits.size());
    EXPECT_EQ(merged.output.substr(merged.output.size() - fits.size()), fits);
    EXPECT_EQ(merged.status, 0);
}

TEST_F(HandsetCheckOption, FitChangesTheFileUntilItFitsAndSaysEachChange) {
    const ProgramRun run = quavel("-Fgm-lite");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              settings +
                  "-> Fit [gm-lite]: 1 notes left out, 0 ended early, to play within 16 voices, first "
                  "at 0:00.000 (bar 1 beat 1, track 1 tick 0)\n"
                  "-> Fit [gm-lite]: 1 changes; 0 findings not fixed\n" +
                  checkLines("gm-lite", {}));
    // Converted again, the fitted file needs no change: the same as its plain conversion.
    const ProgramRun again = runProgram(QUAVEL_PROGRAM, "out.mid twice.mid -T1920 -Fgm-lite");
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.output.find("-> Fit [gm-lite]: 0 changes; 0 findings not fixed\n"), std::string::npos);
    ASSERT_EQ(runProgram(QUAVEL_PROGRAM, "out.mid plain.mid -T1920").status, 0);
    EXPECT_EQ(readFile("twice.mid"), readFile("plain.mid"));
    std::remove("twice.mid");
}

TEST_F(HandsetCheckOption, AFileThatFitsIsWrittenAsWithoutFit) {
    ASSERT_EQ(runProgram(QUAVEL_PROGRAM, "in.mid plain.mid -T1920").status, 0);
    const ProgramRun run = quavel("-Fvoices-32 -Pvoices-32");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, settings + "-> Fit [voices-32]: 0 changes; 0 findings not fixed\n" +
                              checkLines("voices-32", {}))
        << "a profile named by both is checked once";
    EXPECT_EQ(readFile("out.mid"), readFile("plain.mid"));
}

TEST_F(HandsetCheckOption, TheLastFitCountsAndWhatItCannotFixLeavesStatus3) {
    writeTextFile("own.profile", "max-bytes = 10\n");
    const ProgramRun run = quavel("-Fgm-lite -fown.profile -Pvoices-64");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.output.find("[gm-lite]"), std::string::npos) << run.output;
    // Slimming is the one change that could be made: the file is still too large.
    EXPECT_NE(run.output.find("-> Fit [./own]: 1 changes; 1 findings not fixed\n"
                              "-> Handset check [./own]: "),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("-> Handset check [voices-64]:"), std::string::npos) << run.output;
}
