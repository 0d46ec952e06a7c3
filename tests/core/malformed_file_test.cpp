// Damaged files through the analysis and the conversion: every cut point and
// flipped bytes of real files give either one of the system's messages or a
// valid output file, never a crash or a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "midi_generator.h"
#include "report/analysis_report.h"
#include "smf/big_endian.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
const std::set<std::string> headerRefusals = {"this is not midi", "head type no good", "MIDI format no match",
                                              "no support type delta time"};

// The output decodes as a Standard MIDI File whose chunk lengths add up.
bool isWellFormed(const Bytes& file) {
    if (file.size() < 14 || std::string(file.begin(), file.begin() + 4) != "MThd") return false;
    const size_t tracks = static_cast<size_t>(file[10] << 8 | file[11]);
    size_t at = 14;
    for (size_t t = 0; t < tracks; ++t) {
        if (at + 8 > file.size() || std::string(file.begin() + static_cast<long>(at),
                                                file.begin() + static_cast<long>(at) + 4) != "MTrk")
            return false;
        const size_t length = bigEndian32(file.data() + at + 4);
        at += 8 + length;
    }
    return at == file.size();
}

// Analyses and converts the bytes at one setting; checks the outcome.
void analyseAndConvert(const Bytes& bytes, int level, const std::string& context) {
    fatalErrors.clear();
    std::remove("damaged-out.mid");
    ASSERT_TRUE(loadSource(bytes, "damaged.mid"));
    ConvertOptions.detectLevel = level;
    ConvertOptions.noTimeDetect = level == 1 ? 1 : 0;
    ConvertOptions.analysedLength = writeAnalysisReport("damaged.mid", "damaged.log");
    if (!fatalErrors.empty()) {
        EXPECT_EQ(headerRefusals.count(fatalErrors.front()), 1u) << context << ": " << fatalErrors.front();
        return;
    }
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    convertMidiFile("damaged-out.mid", ConvertOptions.tuneLength);
    EXPECT_TRUE(fatalErrors.empty()) << context << ": " << (fatalErrors.empty() ? "" : fatalErrors.front());
    EXPECT_TRUE(isWellFormed(readFile("damaged-out.mid"))) << context;
}

Bytes sample(uint32_t seed, int format) {
    GeneratorOptions options;
    options.format = format;
    options.trackCount = 3;
    options.eventsPerTrack = 24;
    options.maxMetaLength = 130;
    return generateMidiFile(seed, options);
}
}  // namespace

TEST(MalformedFiles, EveryCutPointIsAnalysedAndConverted) {
    for (int format : {0, 1}) {
        const Bytes whole = sample(3 + static_cast<uint32_t>(format), format);
        for (size_t cut = 0; cut <= whole.size(); ++cut)
            analyseAndConvert(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)),
                              static_cast<int>(cut % 3),
                              "format " + std::to_string(format) + " cut at " + std::to_string(cut));
    }
}

TEST(MalformedFiles, FlippedBytesAreAnalysedAndConverted) {
    const Bytes whole = sample(11, 1);
    uint32_t state = 12345;
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = whole;
        for (int flips = 0; flips < 1 + round % 4; ++flips) {
            state = state * 1103515245u + 12345u;
            const size_t at = 14 + (state >> 8) % (damaged.size() - 14);  // keep most headers readable
            damaged[at] = static_cast<uint8_t>(damaged[at] ^ (1u << (state % 8)));
        }
        analyseAndConvert(damaged, round % 3, "round " + std::to_string(round));
    }
}

TEST(MalformedFiles, AnnouncedSizesDoNotDriveMemoryOrTime) {
    // 65535 tracks announced, none present; a chunk announcing 2 GB.
    Bytes manyTracks = smfHeaderChunk(1, 65535, 480);
    analyseAndConvert(manyTracks, 1, "65535 tracks");
    const Bytes huge = concat(
        {smfHeaderChunk(0, 1, 480), {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 0x3C, 0x64}});
    analyseAndConvert(huge, 2, "2 GB chunk");
    ASSERT_TRUE(loadSource(huge));
    EXPECT_EQ(decodeTracks(1).at(0).size(), 1u);
}

TEST(MalformedFiles, OneHundredThousandSimultaneousNotesStayInTheirTrack) {
    Bytes body;
    for (int i = 0; i < 100000; ++i) {
        const Bytes note = {0x00, 0x90, static_cast<uint8_t>(i % 128), 0x40};
        body.insert(body.end(), note.begin(), note.end());
    }
    body.insert(body.end(), {0x83, 0x60, 0xFF, 0x2F, 0x00});
    analyseAndConvert(smfFile(0, 480, {body}), 1, "100000 notes");
    ASSERT_TRUE(loadSource(readFile("damaged-out.mid"), "reread.mid"));
    ASSERT_EQ(checkSmfHeader(inputFile.data), 1);
    const auto tracks = decodeTracks(1);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].size(), 100001u);
}

// Inputs that once broke a stage (found by fuzzing) stay here for good.
TEST(MalformedFiles, FormerCrashInputsAreAnalysedAndConverted) {
    const std::filesystem::path folder = testDataPath("regressions");
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".mid") continue;
        for (int level = 0; level < 3; ++level)
            analyseAndConvert(readFile(entry.path().string()), level, entry.path().filename().string());
    }
}
