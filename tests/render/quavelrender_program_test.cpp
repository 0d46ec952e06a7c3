// quavelrender as a user runs it: a standard WAV file of the synthesizer's own
// format holding exactly the library's render, the polyphony choosing which
// SP-MIDI channels sound, one summary line, and for every failure a message,
// status 1 and no file written or changed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "convert/sp_midi.h"
#include "handset_synth.h"
#include "midi_generator.h"
#include "playing/mip_measure.h"
#include "quavelrender_run.h"
#include "run_program.h"
#include "sp_midi_tunes.h"
#include "staged_failure.h"
#include "test_support.h"
#include "wav_file.h"

extern "C" {
#include <eas.h>
}

namespace {
const std::string Usage =
    "usage: quavelrender SOURCE.mid OUT.wav [-Nvoices]\n"
    "       quavelrender --voices SOURCE.mid [-Nvoices]\n";
const Bytes Chord =
    smfFile(0, 480, {{0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x64, 0x00, 0x43, 0x64, 0x83, 0x60, 0x80,
                      0x3C, 0x40, 0x00, 0x40, 0x40, 0x00, 0x43, 0x40, 0x00, 0xFF, 0x2F, 0x00}});

std::string freshFolder(const std::string& name) {
    std::filesystem::remove_all(name);
    std::filesystem::create_directories(name);
    return name;
}

ProgramRun render(const std::string& arguments) {
    return runProgram(QUAVELRENDER_PROGRAM, arguments);
}

// A level as a meter shows it: one decimal, full scale 0.0, silence -inf.
std::string decibelText(double level, bool silent) {
    if (silent) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::min(0.0, std::round(10.0 * level) / 10));
    return text;
}

// The peak, RMS and clipped samples of the line, from the samples alone.
struct Levels {
    std::string peak;
    std::string rms;
    int clipped = 0;
};

Levels levelsOf(const std::vector<int16_t>& samples) {
    int largest = 0;
    double squares = 0;
    Levels levels;
    for (int16_t sample : samples) {
        largest = std::max(largest, std::abs(static_cast<int>(sample)));
        squares += static_cast<double>(sample) * sample;
        if (sample == INT16_MAX || sample == INT16_MIN) ++levels.clipped;
    }
    const double rms = samples.empty() ? 0 : std::sqrt(squares / static_cast<double>(samples.size()));
    levels.peak = decibelText(20.0 * std::log10(largest / 32768.0), largest == 0);
    levels.rms = decibelText(20.0 * std::log10(rms / 32768.0), largest == 0);
    return levels;
}

std::string summaryLine(const std::string& name, const WavFile& wav, int notes) {
    const Levels levels = levelsOf(wav.samples);
    char line[256];
    std::snprintf(line, sizeof line,
                  "%s: %.3f s, %u Hz, %u channels, peak %s dBFS, RMS %s dBFS, %d clipped samples, %d notes\n",
                  name.c_str(), static_cast<double>(wav.samples.size() / wav.channels) / wav.sampleRate,
                  wav.sampleRate, static_cast<unsigned>(wav.channels), levels.peak.c_str(),
                  levels.rms.c_str(), levels.clipped, notes);
    return line;
}

// The MIP values quavel printed, in its order.
std::vector<SpMidiEntry> printedMips(const std::string& output) {
    std::vector<SpMidiEntry> entries;
    size_t at = 0;
    while ((at = output.find("-> SP-MIDI MIP of ch", at)) != std::string::npos) {
        SpMidiEntry entry{};
        if (std::sscanf(output.c_str() + at, "-> SP-MIDI MIP of ch%d = %d", &entry.channel, &entry.mip) == 2)
            entries.push_back(entry);
        ++at;
    }
    return entries;
}

// The peak resident memory of one successful run of the program, in
// kilobytes; -1 when it fails.
long peakKilobytes(const std::string& arguments) {
    const ProgramRun run =
        runProgram(PEAK_MEMORY_PROGRAM, std::string("'") + QUAVELRENDER_PROGRAM + "' " + arguments);
    int status = -1;
    long kilobytes = -1;
    if (run.status != 0 || std::sscanf(run.output.c_str(), "%d %ld", &status, &kilobytes) != 2 || status != 0)
        return -1;
    return kilobytes;
}

class QuavelRender : public ::testing::Test {
protected:
    std::string folder;
    void SetUp() override {
        folder = freshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }

    // A run that must fail: the message, status 1, and the folder as it was.
    void expectRefused(const std::string& arguments, const std::string& message) {
        writeFile(path("out.wav"), {'o', 'l', 'd'});
        const std::set<std::string> before = filesIn(folder);
        const ProgramRun run = render(arguments);
        EXPECT_EQ(run.output, message) << arguments;
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(readFile(path("out.wav")), (Bytes{'o', 'l', 'd'})) << arguments;
        EXPECT_EQ(filesIn(folder), before) << arguments;
        std::filesystem::remove(path("out.wav"));
        EXPECT_EQ(render(arguments).status, 1);
        EXPECT_FALSE(fileExists(path("out.wav"))) << arguments;
    }
};
}  // namespace

TEST_F(QuavelRender, TheWavHeaderIsTheSynthesizersOwnFormat) {
    writeFile(path("chord.mid"), Chord);
    ASSERT_EQ(render(path("chord.mid") + " " + path("chord.wav")).status, 0);
    const Bytes file = readFile(path("chord.wav"));
    const WavFile wav = parseWav(file);
    const S_EAS_LIB_CONFIG* config = EAS_Config();
    ASSERT_TRUE(wav.complete);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.channels, config->numChannels);
    EXPECT_EQ(wav.sampleRate, static_cast<uint32_t>(config->sampleRate));
    EXPECT_EQ(wav.byteRate, static_cast<uint32_t>(config->sampleRate * config->numChannels * 2));
    EXPECT_EQ(wav.blockAlign, config->numChannels * 2);
    EXPECT_EQ(wav.riffSize, file.size() - 8);
    EXPECT_EQ(wav.dataSize, file.size() - 44);
}

TEST_F(QuavelRender, TheDataIsTheLibrarysRenderAtTheGivenPolyphony) {
    const Bytes tune = generateMidiFile(11);
    writeFile(path("tune.mid"), tune);
    ASSERT_EQ(render(path("tune.mid") + " " + path("all.wav")).status, 0);
    ASSERT_EQ(render(path("tune.mid") + " " + path("two.wav") + " -N2").status, 0);
    const std::vector<int16_t> all = parseWav(readFile(path("all.wav"))).samples;
    ASSERT_FALSE(all.empty());
    EXPECT_TRUE(all == renderWholePcm(tune, 64));
    EXPECT_TRUE(parseWav(readFile(path("two.wav"))).samples == renderWholePcm(tune, 2));
}

TEST_F(QuavelRender, OneLineTellsTheLengthFormatLevelsAndNotes) {
    writeFile(path("chord.mid"), Chord);
    const ProgramRun run = render(path("chord.mid") + " " + path("chord.wav"));
    EXPECT_EQ(run.output, summaryLine(path("chord.mid"), parseWav(readFile(path("chord.wav"))), 3));
    EXPECT_NE(run.output.find(", 0 clipped samples, 3 notes\n"), std::string::npos) << run.output;
}

// Sixteen channels of loud chords drive the synthesizer to full scale: each
// sample at 32767 or -32768 counts, in each channel of the WAV.
TEST_F(QuavelRender, EverySampleAtFullScaleCountsAsClipped) {
    Bytes body;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        if (channel == 9) continue;
        body.insert(body.end(), {0x00, static_cast<uint8_t>(0xB0 | channel), 0x07, 0x7F, 0x00,
                                 static_cast<uint8_t>(0xC0 | channel), 0x1E});
        for (uint8_t key : Bytes{36, 40, 43, 48})
            body.insert(body.end(), {0x00, static_cast<uint8_t>(0x90 | channel), key, 0x7F});
    }
    body.insert(body.end(), {0x87, 0x40, 0xFF, 0x2F, 0x00});
    writeFile(path("loud.mid"), smfFile(0, 480, {body}));
    const ProgramRun run = render(path("loud.mid") + " " + path("loud.wav"));
    ASSERT_EQ(run.status, 0) << run.output;
    const WavFile wav = parseWav(readFile(path("loud.wav")));
    ASSERT_GT(levelsOf(wav.samples).clipped, 0) << "the tune must clip for this test";
    EXPECT_EQ(run.output, summaryLine(path("loud.mid"), wav, 60));
}

TEST_F(QuavelRender, SilenceHasNoPeakLevel) {
    writeFile(path("rest.mid"), smfFile(0, 480, {{0x83, 0x60, 0xFF, 0x2F, 0x00}}));
    const ProgramRun run = render(path("rest.mid") + " " + path("rest.wav"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(" Hz, 2 channels, peak -inf dBFS, RMS -inf dBFS, 0 clipped samples, 0 notes\n"),
              std::string::npos)
        << run.output;
}

TEST_F(QuavelRender, OneNoteIsCountedInTheSingular) {
    writeFile(
        path("one.mid"),
        smfFile(0, 480, {{0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}}));
    const ProgramRun run = render(path("one.mid") + " " + path("one.wav"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.substr(run.output.size() - 9), ", 1 note\n") << run.output;
}

// quavel -S measures each channel's MIP; between two of them the handset
// plays the channels up to the first and mutes the rest.
TEST_F(QuavelRender, ThePolyphonyChoosesWhichSpMidiChannelsSound) {
    writeFile(path("source.mid"), generateTune(TuneShape{1, 1, {0, 1, 2}, 3, {}}));
    const ProgramRun converted =
        runProgram(QUAVEL_PROGRAM, path("source.mid") + " " + path("sp.mid") + " -S -L" + path("sp.log"));
    ASSERT_EQ(converted.status, 0) << converted.output;
    const Bytes spMidi = readFile(path("sp.mid"));
    const std::vector<SpMidiEntry> entries = printedMips(converted.output);
    ASSERT_EQ(entries.size(), 3u) << converted.output;
    ASSERT_LT(entries.front().mip, entries.back().mip);
    const int between = entries.back().mip - 1;
    const std::set<int> muted = channelsAbove(entries, between);
    ASSERT_FALSE(muted.empty());

    ASSERT_EQ(render(path("sp.mid") + " " + path("few.wav") + " -N" + std::to_string(between)).status, 0);
    ASSERT_EQ(render(path("sp.mid") + " " + path("all.wav")).status, 0);
    const std::vector<int16_t> few = parseWav(readFile(path("few.wav"))).samples;
    EXPECT_TRUE(few == renderWholePcm(withoutNotes(spMidi, muted), between))
        << "muted: the last channel only";
    EXPECT_FALSE(few == parseWav(readFile(path("all.wav"))).samples);
}

TEST_F(QuavelRender, ARefusedFileGetsTheSynthesizersCodeAndNoWav) {
    std::vector<Bytes> bodies(101, Bytes{0x00, 0xFF, 0x2F, 0x00});
    writeFile(path("many.mid"), smfFile(1, 480, bodies));
    expectRefused(
        path("many.mid") + " " + path("out.wav"),
        path("many.mid") +
            ": the synthesizer refuses it at prepare, error -14: more tracks than it plays (100)\n");
    writeFile(path("text.mid"), {'M', 'I', 'D', 'I'});
    expectRefused(
        path("text.mid") + " " + path("out.wav"),
        path("text.mid") + ": the synthesizer refuses it at open, error -15: not a file type it plays\n");
    writeFile(path("cut.mid"), smfFile(0, 480, {{0x00, 0xFF, 0x01, 0x7F, 0x41}}));
    expectRefused(path("cut.mid") + " " + path("out.wav"),
                  path("cut.mid") +
                      ": the synthesizer refuses it at render, error -6: an event that runs past the end of "
                      "the file\n");
}

TEST_F(QuavelRender, ASourceThatCannotBeOpenedIsNamedWithTheReason) {
    expectRefused(path("missing.mid") + " " + path("out.wav"),
                  "Cannot open source file: No such file or directory\n");
}

TEST_F(QuavelRender, BadArgumentsAreRefusedWithTheReasonAndTheUsage) {
    writeFile(path("chord.mid"), Chord);
    const std::string names = path("chord.mid") + " " + path("out.wav");
    for (const char* voices : {" -N0", " -N65", " -N", " -Neight"})
        expectRefused(names + voices, "-N takes a number of voices from 1 to 64, as in -N8\n" + Usage);
    expectRefused(path("chord.mid"), "SOURCE.mid and OUT.wav are both needed\n" + Usage);
    expectRefused("", "SOURCE.mid and OUT.wav are both needed\n" + Usage);
    expectRefused(names + " -S", "Unknown option -S\n" + Usage);
    expectRefused(path("chord.mid") + " " + path("chord.mid"),
                  "OUT.wav is the source's own name: the tune is not overwritten\n" + Usage);
}

// The source is told by the file it is, not by the text of its name.
TEST_F(QuavelRender, NoSpellingOfTheSourceNorALinkToItIsOverwritten) {
    writeFile(path("chord.mid"), Chord);
    std::filesystem::create_directory(path("sub"));
    std::filesystem::create_symlink("chord.mid", path("link.wav"));
    std::filesystem::create_hard_link(path("chord.mid"), path("hard.wav"));
    for (const std::string& output :
         {"./" + path("chord.mid"), path("sub/../chord.mid"), path("link.wav"), path("hard.wav")}) {
        expectRefused(path("chord.mid") + " " + output,
                      "OUT.wav is the source's own name: the tune is not overwritten\n" + Usage);
        EXPECT_EQ(readFile(path("chord.mid")), Chord) << output;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.wav")));
}

TEST_F(QuavelRender, HelpPrintsTheUsageAndTouchesNoFile) {
    const ProgramRun run = render(path("chord.mid") + " " + path("out.wav") + " --help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind(Usage, 0), 0u);
    EXPECT_NE(run.output.find("  -Nvoices "), std::string::npos);
    EXPECT_TRUE(filesIn(folder).empty());
}

TEST_F(QuavelRender, AnOutputThatCannotBeWrittenLeavesEverythingAsItWas) {
    writeFile(path("chord.mid"), Chord);
    const std::set<std::string> before = filesIn(folder);
    const ProgramRun run = render(path("chord.mid") + " " + path("no/such/folder.wav"));
    EXPECT_EQ(run.output, "Cannot open dest file: No such file or directory\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(filesIn(folder), before);

    std::filesystem::create_directory(path("taken.wav"));
    EXPECT_EQ(render(path("chord.mid") + " " + path("taken.wav")).output,
              "Cannot open dest file: Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(path("taken.wav")));
}

// A full disk is found only when the bytes go out: the reason is the write's.
TEST_F(QuavelRender, AFullDiskIsNamedAsTheReason) {
    writeFile(path("chord.mid"), Chord);
    std::string whyNot;
    const std::string full = memoryDevice(folder, MemoryDevice::Full, whyNot);
    if (full.empty()) GTEST_SKIP() << whyNot;
    const ProgramRun run = render(path("chord.mid") + " " + full);
    EXPECT_EQ(run.output, "Cannot open dest file: No space left on device\n");
    EXPECT_EQ(run.status, 1);
}

TEST_F(QuavelRender, EveryFailureOfTheStagedWavLeavesTheTarget) {
    writeFile(path("tune.mid"), Chord);
    const std::string source = path("tune.mid");
    const std::string target = path("out.wav");
    // The chord's two seconds take several writes of the WAV's data.
    expectEveryFailureLeavesTheTarget(folder, target, 2, [&source, &target] {
        const char* argv[] = {"quavelrender", source.c_str(), target.c_str()};
        return runQuavelRender(3, argv) == 0;
    });
}

TEST_F(QuavelRender, ATuneThatNeverStopsIsCutAtTheBoundAndSaysSo) {
    writeFile(path("endless.mid"), smfFile(0, 480, {{0x8F, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00}}));
    const ProgramRun run = render(path("endless.mid") + " " + path("endless.wav"));
    EXPECT_EQ(run.status, 0);
    const WavFile wav = parseWav(readFile(path("endless.wav")));
    ASSERT_TRUE(wav.complete);
    EXPECT_EQ(wav.samples.size(), static_cast<size_t>(600 * wav.sampleRate * wav.channels));
    EXPECT_EQ(run.output, summaryLine(path("endless.mid"), wav, 0) + path("endless.mid") +
                              ": still playing after 600 s: the WAV holds its first 600 s\n");
}

// The WAV is written as it is made: a tune of 5 MB whose render is far
// larger than the bound still fits in it.
TEST_F(QuavelRender, AFiveMegabyteTuneRendersInBoundedMemory) {
    GeneratorOptions options;
    options.trackCount = 17;
    options.eventsPerTrack = 85000;
    const Bytes tune = generateMidiFile(7, options);
    ASSERT_GE(tune.size(), 5u << 20);
    writeFile(path("large.mid"), tune);
    const long kilobytes = peakKilobytes(path("large.mid") + " " + path("large.wav"));
    const uintmax_t wavBytes = std::filesystem::file_size(path("large.wav"));
    std::printf("peak resident memory %ld KB for a %zu-byte tune and a %ju-byte WAV\n", kilobytes,
                tune.size(), wavBytes);
    ASSERT_GT(kilobytes, 0);
    const long boundKilobytes = 32 * 1024;
    EXPECT_LT(kilobytes, boundKilobytes);
    EXPECT_GT(wavBytes, static_cast<uintmax_t>(boundKilobytes) * 1024);
}
