// quavelrender --voices asks the synthesizer itself: a held chord of a looped
// sound needs a voice a note, the pedal and releases keep voices busy after
// the note-offs, and with fewer voices the first lost note is found in its
// bar. It writes nothing, and refuses as the WAV run does.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fit/fit_facts.h"
#include "run_program.h"
#include "staged_failure.h"
#include "test_support.h"
#include "voice_probe.h"
#include "voice_search.h"

namespace {
constexpr int Organ = 16;  // holds its voice while the key is down, frees it a buffer after
constexpr int Piano = 0;   // sounds on for about 80 buffers after a short note's note-off
constexpr int SustainPedal = 64;
const std::string Usage =
    "usage: quavelrender SOURCE.mid OUT.wav [-Nvoices]\n"
    "       quavelrender --voices SOURCE.mid [-Nvoices]\n";
const std::string CorpusFolder = "/usr/share/games/openttd/baseset/openmsx/";

ChannelSound melodic(int program) {
    return ChannelSound{false, static_cast<uint8_t>(program)};
}

// Keys struck together at buffer 1 on channel 0, held until buffer 300.
Bytes heldChord(int program, int keys) {
    std::vector<ProbeEvent> events = selectSound(0, melodic(program));
    for (int i = 0; i < keys; ++i) events.push_back({1, noteOn(i / 32, 30 + i % 32 * 2, 100)});
    for (int i = 0; i < keys; ++i) events.push_back({300, noteOff(i / 32, 30 + i % 32 * 2)});
    return probeTune(events, 300);
}

// One note after another, every `every` buffers, each released after two:
// no two sound at once by their notes.
std::vector<ProbeEvent> runOfNotes(int program, int notes, int32_t every) {
    std::vector<ProbeEvent> events = selectSound(0, melodic(program));
    for (int i = 0; i < notes; ++i) {
        events.push_back({1 + i * every, noteOn(0, 60 + i, 100)});
        events.push_back({3 + i * every, noteOff(0, 60 + i)});
    }
    return events;
}

// Division 480 at the default tempo: four organ keys held from the start
// to bar 5, and a fifth struck at tick.
Bytes chordAndLateKey(const Bytes& meter, int32_t tick) {
    std::vector<TickedEvent> events = {{0, meter}, {0, {0xC0, Organ}}};
    for (uint8_t key : Bytes{48, 52, 55, 60}) {
        events.push_back({0, {0x90, key, 100}});
        events.push_back({7680, {0x80, key, 64}});
    }
    events.push_back({tick, {0x90, 72, 100}});
    events.push_back({7680, {0x80, 72, 64}});
    return smfFile(0, 480, {trackBodyOf(events)});
}

const Bytes FourFour = {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08};
const Bytes ThreeFour = {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08};

class QuavelRenderVoices : public ::testing::Test {
protected:
    std::string folder;
    void SetUp() override {
        folder = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }

    // The lines of a run that must succeed, which writes no file.
    std::string voicesOf(const Bytes& tune, const std::string& more = "") {
        writeFile(path("tune.mid"), tune);
        const std::set<std::string> before = filesIn(folder);
        const ProgramRun run = runProgram(QUAVELRENDER_PROGRAM, "--voices " + path("tune.mid") + more);
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(filesIn(folder), before);
        return run.output;
    }

    std::string needsLine(const std::string& voices, const std::string& notes) const {
        return path("tune.mid") + ": needs " + voices + " on the handset synthesizer (" + notes +
               " at once)\n";
    }
    std::string lostLine(const std::string& voices, const std::string& place) const {
        return path("tune.mid") + ": at " + voices + ", notes are lost from " + place + "\n";
    }

    void expectRefused(const std::string& arguments, const std::string& message) {
        const std::set<std::string> before = filesIn(folder);
        const ProgramRun run = runProgram(QUAVELRENDER_PROGRAM, arguments);
        EXPECT_EQ(run.output, message) << arguments;
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(filesIn(folder), before) << arguments;
    }
};
}  // namespace

TEST_F(QuavelRenderVoices, AHeldChordOfALoopedSoundNeedsAVoiceANote) {
    EXPECT_EQ(voicesOf(heldChord(Organ, 1)), needsLine("1 voice", "1 note"));
    EXPECT_EQ(voicesOf(heldChord(Organ, 5)), needsLine("5 voices", "5 notes"));
    EXPECT_EQ(voicesOf(heldChord(Organ, 12)), needsLine("12 voices", "12 notes"));
}

// A tune that takes every voice may lose notes at 64 too: there is nothing
// to compare with.
TEST_F(QuavelRenderVoices, AllSixtyFourVoicesAreNeverEnoughToBeSure) {
    EXPECT_EQ(voicesOf(heldChord(Organ, 64)), needsLine("64 voices or more", "64 notes"));
    EXPECT_EQ(voicesOf(heldChord(Organ, 70)), needsLine("64 voices or more", "70 notes"));
}

TEST_F(QuavelRenderVoices, ThePedalHoldsEveryNoteItCatches) {
    std::vector<ProbeEvent> events = runOfNotes(Organ, 3, 30);
    events.push_back({0, controlChange(0, SustainPedal, 127)});
    events.push_back({200, controlChange(0, SustainPedal, 0)});
    EXPECT_EQ(voicesOf(probeTune(events, 250)), needsLine("3 voices", "1 note"));
    // Without the pedal the organ frees each voice at once.
    EXPECT_EQ(voicesOf(probeTune(runOfNotes(Organ, 3, 30), 250)), needsLine("1 voice", "1 note"));
}

// A short piano note keeps its voice about 84 buffers: notes every 30
// buffers overlap by three.
TEST_F(QuavelRenderVoices, ReleasesKeepVoicesAfterTheNoteOffs) {
    EXPECT_EQ(voicesOf(probeTune(runOfNotes(Piano, 8, 30), 400)), needsLine("3 voices", "1 note"));
}

// The synthesizer plays format 2's tracks together.
TEST_F(QuavelRenderVoices, FormatTwosTracksSoundTogether) {
    Bytes track;
    for (uint8_t key : Bytes{60, 64, 67}) track.insert(track.end(), {0x00, 0x90, key, 100});
    track.insert(track.end(),
                 {0x8F, 0x00, 0x80, 60, 64, 0x00, 0x80, 64, 64, 0x00, 0x80, 67, 64, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes program = {0x00, 0xC0, Organ, 0x00, 0xFF, 0x2F, 0x00};
    const std::string output = voicesOf(smfFile(2, 480, {program, track, track}));
    EXPECT_EQ(output.rfind(path("tune.mid") + ": needs 6 voices on the handset synthesizer (", 0), 0u)
        << output;
}

// The note that finds no voice is on a beat; its buffer starts up to 5.8 ms
// before it, so the place is the last millisecond the buffer plays.
TEST_F(QuavelRenderVoices, FewerVoicesTellWhereTheFirstNoteIsLostInItsBar) {
    EXPECT_EQ(voicesOf(chordAndLateKey(FourFour, 1920), " -N4"),
              needsLine("5 voices", "5 notes") + lostLine("4 voices", "0:02.001 (bar 2 beat 1)"));
    EXPECT_EQ(voicesOf(chordAndLateKey(ThreeFour, 3360), " -N4"),
              needsLine("5 voices", "5 notes") + lostLine("4 voices", "0:03.505 (bar 3 beat 2)"));
    // With two voices, two keys of the chord are lost at the start.
    EXPECT_EQ(voicesOf(chordAndLateKey(ThreeFour, 3360), " -N2"),
              needsLine("5 voices", "5 notes") + lostLine("2 voices", "0:00.004 (bar 1 beat 1)"));
}

TEST_F(QuavelRenderVoices, EnoughVoicesLoseNothing) {
    const Bytes tune = chordAndLateKey(FourFour, 1920);
    for (const char* voices : {" -N5", " -N64", " -N9", ""})
        EXPECT_EQ(voicesOf(tune, voices), needsLine("5 voices", "5 notes")) << voices;
}

TEST_F(QuavelRenderVoices, BadArgumentsAreRefusedWithTheReasonAndBothUsages) {
    writeFile(path("tune.mid"), heldChord(Organ, 2));
    const std::string tune = path("tune.mid");
    expectRefused("--voices", "SOURCE.mid is needed\n" + Usage);
    expectRefused("-N4 --voices", "SOURCE.mid is needed\n" + Usage);
    expectRefused("--voices " + tune + " " + path("out.wav"),
                  "Too many names: " + path("out.wav") + " is a second\n" + Usage);
    expectRefused(tune + " " + path("out.wav") + " --voices",
                  "Too many names: " + path("out.wav") + " is a second\n" + Usage);
    for (const char* voices : {" -N0", " -N65", " -N"})
        expectRefused("--voices " + tune + voices,
                      "-N takes a number of voices from 1 to 64, as in -N8\n" + Usage);
    expectRefused("--voices " + tune + " -S", "Unknown option -S\n" + Usage);
    expectRefused("--Voices " + tune, "Unknown option --Voices\n" + Usage);
    const ProgramRun help = runProgram(QUAVELRENDER_PROGRAM, "--voices --help");
    EXPECT_EQ(help.output.rfind(Usage, 0), 0u) << help.output;
    EXPECT_NE(help.output.find("\n  --voices "), std::string::npos) << help.output;
}

TEST_F(QuavelRenderVoices, ASourceTheSynthesizerRefusesGetsTheRefusalLine) {
    expectRefused("--voices " + path("missing.mid"), "Cannot open source file: No such file or directory\n");
    writeFile(path("text.mid"), {'M', 'I', 'D', 'I'});
    expectRefused(
        "--voices " + path("text.mid"),
        path("text.mid") + ": the synthesizer refuses it at open, error -15: not a file type it plays\n");
    std::vector<Bytes> bodies(101, Bytes{0x00, 0xFF, 0x2F, 0x00});
    writeFile(path("many.mid"), smfFile(1, 480, bodies));
    expectRefused(
        "--voices " + path("many.mid") + " -N3",
        path("many.mid") +
            ": the synthesizer refuses it at prepare, error -14: more tracks than it plays (100)\n");
}

// The number printed is the search's, and the notes are those the handset check counts.
TEST_F(QuavelRenderVoices, CorpusTunesGetTheSearchsAnswer) {
    for (const char* name : {"tttheme2.mid", "harp_harmony.mid", "chuggachugga.mid"}) {
        const std::string source = CorpusFolder + name;
        if (!fileExists(source)) GTEST_SKIP() << source << " is not installed (Debian openttd-openmsx)";
        const Bytes tune = readFile(source);
        const int needed = VoiceSearch(tune).smallestEqualPolyphony();
        const int notes = FitFacts(tune.data(), tune.size()).peakNotes(0xFFFF).count;
        const ProgramRun run = runProgram(QUAVELRENDER_PROGRAM, "--voices " + source);
        EXPECT_EQ(run.output, source + ": needs " + std::to_string(needed) +
                                  " voices on the handset synthesizer (" + std::to_string(notes) +
                                  " notes at once)\n");
    }
}
