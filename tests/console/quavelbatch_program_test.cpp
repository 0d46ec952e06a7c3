// quavelbatch as a user runs it: tunes and folders of them, converted by its
// workers, against quavel's own runs of each tune.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "handset_tunes.h"
#include "run_program.h"
#include "test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Channel 0: a chord of keys notes from 48 up, held for a quarter note.
Bytes chord(int keys) {
    Bytes on;
    Bytes off = {0x83, 0x60};
    for (int k = 0; k < keys; ++k) {
        const uint8_t key = static_cast<uint8_t>(48 + k);
        on.insert(on.end(), {0x00, 0x90, key, 0x64});
        if (k > 0) off.push_back(0x00);
        off.insert(off.end(), {0x80, key, 0x40});
    }
    return smfFile(1, 480,
                   {{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00},
                    concat({on, off, {0x00, 0xFF, 0x2F, 0x00}})});
}

ProgramRun quavelbatch(const std::string& arguments) {
    return runProgram(QUAVELBATCH_PROGRAM, arguments);
}

ProgramRun quavel(const std::string& arguments) {
    return runProgram(QUAVEL_PROGRAM, arguments);
}

// The size of quavel's conversion of the tune.
std::string convertedSize(const std::string& tune) {
    if (quavel(tune + " batch/q.mid").status != 0) return "none";
    const std::string size = std::to_string(fs::file_size("batch/q.mid"));
    fs::remove("batch/q.mid");
    return size;
}

std::vector<std::string> filesUnder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            files.push_back(entry.path().lexically_relative(folder).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> csvLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream text(readText(path));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class QuavelbatchProgram : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all("batch");
        fs::create_directories("batch/tunes/sub");
        writeFile("batch/tunes/b.mid", chord(17));
        writeFile("batch/tunes/a.mid", chord(3));
        writeFile("batch/tunes/sub/c.MIDI", chord(5));
    }
};
}  // namespace

TEST_F(QuavelbatchProgram, ALinePerTuneInOrderThenTheClosingLine) {
    const ProgramRun run = quavelbatch("-Pvoices-16 -Pgm-lite -j 3 batch/tunes");
    EXPECT_EQ(run.output, "batch/tunes/a.mid: " + convertedSize("batch/tunes/a.mid") +
                              " bytes, 3 voices (3 notes), voices-16 fits, gm-lite fits\n"
                              "batch/tunes/b.mid: " +
                              convertedSize("batch/tunes/b.mid") +
                              " bytes, 17 voices (17 notes), voices-16: 1 finding, gm-lite: 1 finding\n"
                              "batch/tunes/sub/c.MIDI: " +
                              convertedSize("batch/tunes/sub/c.MIDI") +
                              " bytes, 5 voices (5 notes), voices-16 fits, gm-lite fits\n"
                              "3 files; voices-16 fits 2, gm-lite fits 2; 0 failures\n");
    EXPECT_EQ(run.status, 3);
    // Without --out it is a check: nothing is written.
    EXPECT_EQ(filesUnder("batch"),
              (std::vector<std::string>{"tunes/a.mid", "tunes/b.mid", "tunes/sub/c.MIDI"}));
    EXPECT_EQ(quavelbatch("batch/tunes/a.mid -Pvoices-16").status, 0);
    EXPECT_EQ(quavelbatch("batch/tunes").status, 0);
}

TEST_F(QuavelbatchProgram, OutWritesWhatQuavelWritesAtTheSamePathsWithReportsBeside) {
    const ProgramRun run =
        quavelbatch("-S -Z -0 -D2 --out batch/out --reports batch/tunes batch/tunes/a.mid/");
    ASSERT_EQ(run.status, 1) << run.output;  // the name with a separator after it is no file
    fs::remove_all("batch/out");
    ASSERT_EQ(quavelbatch("-S -Z -0 -D2 --out batch/out --reports batch/tunes").status, 0);
    EXPECT_EQ(filesUnder("batch/out"),
              (std::vector<std::string>{"a.log", "a.mid", "b.log", "b.mid", "sub/c.MIDI", "sub/c.log"}));
    for (const char* tune : {"a.mid", "b.mid", "sub/c.MIDI"}) {
        const std::string source = std::string("batch/tunes/") + tune;
        ASSERT_EQ(quavel(source + " batch/q.mid -S -Z -0 -D2").status, 0);
        EXPECT_EQ(readFile(std::string("batch/out/") + tune), readFile("batch/q.mid")) << tune;
    }
    EXPECT_NE(readText("batch/out/a.log").find("batch/tunes/a.mid"), std::string::npos);
}

TEST_F(QuavelbatchProgram, BadTunesGetTheirLinesAndTheOthersGoOn) {
    fs::create_directories("batch/empty");
    writeTextFile("batch/notmidi.mid", "hello");
    writeFile("batch/locked.mid", chord(2));
    fs::permissions("batch/locked.mid", fs::perms::none);
    const ProgramRun run = quavelbatch(
        "--out batch/out --csv batch/t.csv batch/missing.mid batch/empty "
        "batch/notmidi.mid batch/locked.mid batch/tunes/a.mid");
    std::istringstream lines(run.output);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 6u) << run.output;
    EXPECT_EQ(got[0], "batch/missing.mid: Cannot open source file");
    EXPECT_EQ(got[1], "batch/empty: No .mid or .midi files in folder [batch/empty]");
    EXPECT_EQ(got[2], "batch/notmidi.mid: this is not midi");
#ifndef _WIN32
    if (geteuid() != 0) {
        EXPECT_EQ(got[3], "batch/locked.mid: Cannot open source file");
    }
#endif
    EXPECT_EQ(got[4].rfind("batch/tunes/a.mid: ", 0), 0u);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fileExists("batch/out/a.mid"));
    EXPECT_FALSE(fileExists("batch/out/notmidi.mid"));
    EXPECT_FALSE(fileExists("batch/out/missing.mid"));
    EXPECT_EQ(csvLines("batch/t.csv")[3], "batch/notmidi.mid,failed: this is not midi,,,,,,,,,");
    fs::permissions("batch/locked.mid", fs::perms::owner_all);
}

TEST_F(QuavelbatchProgram, RunsThatCannotBeRightAreRefusedBeforeAnythingIsRead) {
    struct Refused {
        const char* arguments;
        const char* line;
    };
    const Refused refused[] = {
        {"--reports batch/tunes", "--reports needs --out"},
        {"--out batch/tunes/sub/out batch/tunes",
         "Output folder [batch/tunes/sub/out] is inside a source folder [batch/tunes]"},
        {"--out batch/tunes batch/tunes",
         "Output folder [batch/tunes] is inside a source folder [batch/tunes]"},
        {"--out batch/out batch/tunes batch/tunes/b.mid", "Two sources for one output [batch/out/b.mid]"},
        {"--out batch/out --reports batch/tunes/a.mid batch/a.midi",
         "Two sources for one output [batch/out/a.log]"},
        {"-Pno-such-profile batch/tunes", "Cannot open profile [no-such-profile]"},
        {"--csv batch/tunes/a.mid batch/tunes", "Cannot out to this_file. so no converted."},
        {"-j0 batch/tunes", "-j takes a number of workers from 1 to 1024"},
        {"", "No FILE or FOLDER to convert (quavelbatch --help)"},
    };
    writeFile("batch/a.midi", chord(1));
    const auto before = filesUnder("batch");
    for (const Refused& run : refused) {
        const ProgramRun done = quavelbatch(run.arguments);
        EXPECT_EQ(done.output, std::string(run.line) + "\n") << run.arguments;
        EXPECT_EQ(done.status, 1) << run.arguments;
        EXPECT_EQ(filesUnder("batch"), before) << run.arguments;
    }
}

TEST_F(QuavelbatchProgram, AnOutputThatWouldLandOnASourceRefusesThatTuneAlone) {
    fs::create_directories("batch/other");
    writeFile("batch/other/b.mid", chord(2));
    const Bytes source = readFile("batch/tunes/a.mid");
    const ProgramRun run = quavelbatch("--out batch/tunes batch/tunes/a.mid batch/other/b.mid");
    EXPECT_EQ(run.output.substr(0, run.output.find('\n')),
              "batch/tunes/a.mid: Cannot out to this_file. so no converted.");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile("batch/tunes/a.mid"), source);
    EXPECT_TRUE(fileExists("batch/tunes/b.mid"));
}

TEST_F(QuavelbatchProgram, OneWorkerAndEightGiveTheSameLinesFilesAndTable) {
    std::string tunes = "batch/tunes";
    for (const std::string& path : corpusTunePaths()) tunes += " " + path;
    const std::string options = " -Pgm-lite -Psp-midi-3gpp --reports " + tunes;
    const ProgramRun one = quavelbatch("-j 1 --out batch/one --csv batch/one.csv" + options);
    const ProgramRun eight = quavelbatch("-j8 --out batch/eight --csv batch/eight.csv" + options);
    EXPECT_EQ(one.output, eight.output);
    EXPECT_EQ(one.status, eight.status);
    EXPECT_EQ(readFile("batch/one.csv"), readFile("batch/eight.csv"));
    const std::vector<std::string> files = filesUnder("batch/one");
    EXPECT_EQ(files, filesUnder("batch/eight"));
    for (const std::string& file : files)
        EXPECT_EQ(readFile("batch/one/" + file), readFile("batch/eight/" + file)) << file;
}

// Each row against quavel's own run of its tune and profile: the fit with its
// status, the findings with its closing line, the bytes with its output, and
// the voices and notes with the line of a profile of one voice.
TEST_F(QuavelbatchProgram, EachRowAgreesWithQuavelOverTheCorpus) {
    std::vector<std::string> tunes = corpusTunePaths();
    if (tunes.empty()) GTEST_SKIP() << "the corpus is not installed (Debian openttd-openmsx)";
#ifdef _WIN32
    tunes.resize(std::min<size_t>(tunes.size(), 4));  // a process under Wine costs a great deal
#endif
    writeTextFile("one-voice.profile", "voices = 1\n");
    std::string arguments = "--csv batch/corpus.csv -Pone-voice";
    for (const char* profile : ShippedProfiles) arguments += std::string(" -P") + profile;
    for (const std::string& tune : tunes) arguments += " " + tune;
    quavelbatch(arguments);
    const std::vector<std::string> rows = csvLines("batch/corpus.csv");
    ASSERT_EQ(rows.size(), 1 + tunes.size() * 6);
    const std::regex row("([^,]*),converted,(\\d+),\\d+,\\d+,(\\d+),(\\d+),([^,]*),(yes|no),(\\d+),.*");
    const std::regex voicesLine("\\]: (\\d+) voices? at once \\((\\d+) notes?\\)");
    const std::regex closing("\\]: (fits|(\\d+) findings?)\n$");
    for (size_t k = 1; k < rows.size(); ++k) {
        std::smatch field;
        ASSERT_TRUE(std::regex_match(rows[k], field, row)) << rows[k];
        const std::string profile = field[5] == "./one-voice" ? "one-voice" : field[5].str();
        const ProgramRun own = quavel(field[1].str() + " batch/q.mid -P" + profile);
        std::smatch count;
        ASSERT_TRUE(std::regex_search(own.output, count, closing)) << own.output;
        EXPECT_EQ(field[6], own.status == 0 ? "yes" : "no") << rows[k];
        EXPECT_EQ(field[7], count[2].matched ? count[2].str() : "0") << rows[k];
        EXPECT_EQ(field[2], std::to_string(fs::file_size("batch/q.mid"))) << rows[k];
        const ProgramRun voices = quavel(field[1].str() + " batch/q.mid -Pone-voice");
        std::smatch peak;
        ASSERT_TRUE(std::regex_search(voices.output, peak, voicesLine)) << voices.output;
        EXPECT_EQ(field[3], peak[1]) << rows[k];
        EXPECT_EQ(field[4], peak[2]) << rows[k];
    }
}
