// MID->TXT and TXT->MID from the main window: the dialogs they ask, the
// notices they show and files identical to what quaveltext writes.
#include <gtest/gtest.h>

#include "file_dlg.h"
#include "kesto_window.h"
#include "run_program.h"
#include "startup.h"
#include "test_support.h"
#include "text_commands.h"

namespace {
std::string shortOf(const std::string& path) {
    return shortenPath(path.c_str(), 20);
}

// The example as event text, written by quaveltext.
void writeExampleText(const std::string& name) {
    writeFile("example.mid", readFile(KESTO_EXAMPLE_TUNE));
    const ProgramRun run = runProgram(QUAVELTEXT_PROGRAM, "export example.mid " + name);
    ASSERT_EQ(0, run.status) << run.output;
}

std::vector<BoxText> importText(KestoWindow& kesto, const std::string& text, const std::string& midi) {
    kesto.dialogs.answers = {kesto.start.path(text), kesto.start.path(midi)};
    return kesto.clickAnswering(ToMidiId, 1);
}
}  // namespace

TEST(KestoTextCommands, MidToTxtWritesWhatQuaveltextWrites) {
    KestoWindow kesto;
    const std::string chosen = kesto.start.path("a rather long folder name.txt");
    kesto.dialogs.answers = {chosen};
    const std::vector<BoxText> boxes = kesto.clickAnswering(ToTextId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Notice!", boxes[0].caption);
    EXPECT_EQ("TEXT EventFile[" + shortOf(chosen) + "] Out OK", boxes[0].text);
    EXPECT_EQ((std::vector<std::string>{"Select event-TEXT file."}), kesto.dialogs.titles);
    EXPECT_EQ(chosen, textPath);

    const ProgramRun run = runProgram(QUAVELTEXT_PROGRAM, "export test.mid reference.txt");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(readFile("reference.txt"), readFile(chosen));
}

TEST(KestoTextCommands, MidToTxtCancelledShowsNothingAndAFailedWriteSaysSo) {
    KestoWindow kesto;
    kesto.dialogs.answers = {""};
    kesto.clickAnswering(ToTextId, 0);

    kesto.dialogs.answers = {kesto.start.path("no such folder\\out.txt")};
    const std::vector<BoxText> boxes = kesto.clickAnswering(ToTextId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("TEXT EventFile Cannot out", boxes[0].text);
}

TEST(KestoTextCommands, TxtToMidBuildsWhatQuaveltextBuildsAndOffersTheTextsName) {
    KestoWindow kesto;
    writeExampleText("song.txt");
    const std::vector<BoxText> boxes = importText(kesto, "song.txt", "built.mid");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("TEXT[" + shortOf(kesto.start.path("song.txt")) + "] to MIDI[" +
                  shortOf(kesto.start.path("built.mid")) + "] complete.",
              boxes[0].text);
    ASSERT_EQ(2u, kesto.dialogs.titles.size());
    EXPECT_EQ("Select input text file", kesto.dialogs.titles[0]);
    EXPECT_EQ(shortOf(kesto.start.path("song.txt")) + "->Select MIDI file", kesto.dialogs.titles[1]);
    EXPECT_EQ("song.mid", kesto.dialogs.offeredNames[1]);

    const ProgramRun run = runProgram(QUAVELTEXT_PROGRAM, "import song.txt reference.mid");
    ASSERT_EQ(0, run.status) << run.output;
    EXPECT_EQ(readFile("reference.mid"), readFile("built.mid"));
    EXPECT_EQ(kesto.start.path("test.mid"), sourcePath) << "not loaded without Load after Cvt";
}

TEST(KestoTextCommands, TxtToMidWithLoadAfterCvtLoadsTheNewFileButEnablesNothing) {
    KestoWindow kesto("", 1);
    writeExampleText("song");
    kesto.click(LoadAfterId);
    importText(kesto, "song", "built.mid");
    EXPECT_EQ("song.mid", kesto.dialogs.offeredNames.at(1));
    EXPECT_EQ(kesto.start.path("built.mid"), sourcePath);
    EXPECT_EQ(0u, kesto.text(ReportBoxId).find("MIDI-FileName:" + kesto.start.path("built.mid")));
    for (int id : {ConvertId, OptionId, PlayId, ToTextId}) EXPECT_FALSE(kesto.enabled(id)) << id;
}

TEST(KestoTextCommands, TxtToMidCancelledOrFailingLoadsNothing) {
    KestoWindow kesto;
    kesto.click(LoadAfterId);
    writeTextFile("plain.txt", "no signature line\r\n");
    kesto.dialogs.answers = {kesto.start.path("plain.txt"), ""};
    kesto.clickAnswering(ToMidiId, 0);
    const std::vector<BoxText> boxes = importText(kesto, "plain.txt", "built.mid");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("cannot convert TEXT to MIDI.", boxes[0].text);
    EXPECT_EQ(kesto.start.path("test.mid"), sourcePath);
}

// A text whose header names format 3 builds a file that the analysis refuses.
TEST(KestoTextCommands, TxtToMidWithLoadAfterCvtOfARefusedFileKeepsTheLoadedTune) {
    KestoWindow kesto;
    writeExampleText("song.txt");
    std::string text = readText("song.txt");
    const std::size_t format = text.find("+F:00 01");
    ASSERT_NE(std::string::npos, format);
    text.replace(format, 8, "+F:00 03");
    writeTextFile("format3.txt", text);
    kesto.click(LoadAfterId);
    const std::string report = kesto.text(ReportBoxId);
    kesto.dialogs.answers = {kesto.start.path("format3.txt"), kesto.start.path("built.mid")};
    const std::vector<BoxText> boxes = kesto.clickAnswering(ToMidiId, 2);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("complete."));
    EXPECT_EQ("KESTO Error", boxes[1].caption);
    EXPECT_EQ("MIDI format no match\n[" + kesto.start.path("built.mid") + "]", boxes[1].text);
    EXPECT_TRUE(fileExists("built.mid"));
    EXPECT_EQ(kesto.start.path("test.mid"), sourcePath);
    EXPECT_EQ(report, kesto.text(ReportBoxId));
    for (int id : {ConvertId, OptionId, PlayId, ToTextId}) EXPECT_TRUE(kesto.enabled(id)) << id;
}

TEST(MidiNameFor, DropsTheFoldersAndTheExtensionAndKeepsRoomForMid) {
    EXPECT_EQ("song.mid", midiNameFor("C:\\music.d\\song.txt"));
    EXPECT_EQ("song.mid", midiNameFor("C:\\music.d\\song"));
    EXPECT_EQ("a.b.mid", midiNameFor("a.b.c"));
    const std::string longName = midiNameFor(("C:\\" + std::string(100, 'n') + ".txt").c_str());
    EXPECT_EQ(std::string(59, 'n') + ".mid", longName);
}
