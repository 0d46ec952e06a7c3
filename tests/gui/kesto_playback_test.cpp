// Play and Stop: the converted file for playback, the MCI command strings,
// the end-of-piece notification and what the window enables meanwhile.
#include <gtest/gtest.h>

#include <cstdio>

#include "convert/convert_midi_file.h"
#include "ez_midi_player.h"
#include "job/process_records.h"
#include "kesto_window.h"
#include "startup.h"
#include "test_support.h"

namespace {
std::string openCommandFor(const std::string& path) {
    return "Open \"" + path + "\" Alias FILE";
}

int countOf(const std::vector<std::string>& commands, const std::string& wanted) {
    int count = 0;
    for (const std::string& command : commands) count += command == wanted ? 1 : 0;
    return count;
}

void notify(const KestoWindow& kesto, WPARAM code) {
    SendMessageA(kesto.window, MM_MCINOTIFY, code, 1);
    drainMessages();
}

// The controls that wait while playing, and the ones that never do.
const int LockedWhilePlaying[] = {ConvertId, OptionId, ToTextId, ToMidiId};
const int OpenWhilePlaying[] = {PlayId,      Level0Id,    Level1Id, Level2Id,   NoTimeDetectId,
                                LoadAfterId, OutputBoxId, BrowseId, LengthBoxId};

void expectPlaying(const KestoWindow& kesto, bool playingNow) {
    EXPECT_EQ(playingNow ? "Stop" : "Play", kesto.text(PlayId));
    for (int id : LockedWhilePlaying) EXPECT_EQ(!playingNow, kesto.enabled(id)) << "control " << id;
    for (int id : OpenWhilePlaying) EXPECT_TRUE(kesto.enabled(id)) << "control " << id;
    EXPECT_EQ(!playingNow, kesto.app->acceptsDrops != 0);
}
}  // namespace

TEST(KestoPlayback, PlayConvertsIntoTmpplayOpensItQuotedAndPlaysWithNotification) {
    KestoWindow kesto;
    EXPECT_EQ(std::vector<std::string>{}, mciCommands()) << "nothing is open at start";
    kesto.click(PlayId);
    const std::vector<std::string> expected = {openCommandFor(kesto.start.path("tmpplay.mid")),
                                               "Play FILE notify"};
    EXPECT_EQ(expected, mciCommands());
    ASSERT_EQ(2u, mciCalls.size());
    EXPECT_EQ(nullptr, mciCalls[0].callback);
    EXPECT_EQ(kesto.window, mciCalls[1].callback);
    expectPlaying(kesto, true);
    convertMidiFile("reference.mid", 4800);
    EXPECT_EQ(readFile("reference.mid"), readFile("tmpplay.mid"));
}

TEST(KestoPlayback, StopClosesOnceAndPlayStartsAgainFromARewrittenFile) {
    KestoWindow kesto;
    kesto.click(PlayId);
    kesto.click(PlayId);
    EXPECT_EQ("Close FILE", mciCommands().back());
    EXPECT_EQ(1, countOf(mciCommands(), "Close FILE"));
    expectPlaying(kesto, false);

    DeleteFileA("tmpplay.mid");
    kesto.click(PlayId);
    EXPECT_TRUE(fileExists("tmpplay.mid"));
    EXPECT_EQ(1, countOf(mciCommands(), "Close FILE")) << "a closed alias is not closed again";
    EXPECT_EQ(2, countOf(mciCommands(), openCommandFor(kesto.start.path("tmpplay.mid"))));
    expectPlaying(kesto, true);
}

TEST(KestoPlayback, LengthForPlayingIsUsedOnceAndChangesNeitherTheBoxNorConverted) {
    KestoWindow kesto;
    kesto.clickAnswering(ConvertId, 1);
    kesto.setText(LengthBoxId, "0");
    kesto.click(PlayId);
    convertMidiFile("reference.mid", 7680);
    EXPECT_EQ(readFile("reference.mid"), readFile("tmpplay.mid"));
    kesto.click(PlayId);
    EXPECT_EQ("0", kesto.text(LengthBoxId));
    // Length 0 reads as 7680, which differs from the 4800 converted before.
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].text.find("Delta_count=7680"));
}

TEST(KestoPlayback, OnlyASuccessfulNotificationWhilePlayingEndsPlayback) {
    KestoWindow kesto;
    notify(kesto, MCI_NOTIFY_SUCCESSFUL);
    expectPlaying(kesto, false);
    EXPECT_TRUE(mciCalls.empty()) << "a notification while idle starts nothing";

    kesto.click(PlayId);
    const WPARAM earlyEnds[] = {MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_FAILURE};
    for (WPARAM code : earlyEnds) notify(kesto, code);
    expectPlaying(kesto, true);

    notify(kesto, MCI_NOTIFY_SUCCESSFUL);
    expectPlaying(kesto, false);
    EXPECT_EQ(1, countOf(mciCommands(), "Close FILE"));

    // The late "aborted" that follows a Close changes nothing.
    notify(kesto, MCI_NOTIFY_ABORTED);
    expectPlaying(kesto, false);
    EXPECT_EQ(1, countOf(mciCommands(), "Close FILE"));
}

TEST(KestoPlayback, DropWhilePlayingIsIgnored) {
    KestoWindow kesto;
    kesto.click(PlayId);
    const std::string source = sourcePath;
    writeFile("other.mid", readFile("test.mid"));
    HDROP drop = makeDrop({kesto.start.path("other.mid")});
    SendMessageA(kesto.window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(source, sourcePath);
    EXPECT_EQ(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(drop)) << "the drop is released";
    expectPlaying(kesto, true);
}

namespace {
// The callback window of the last "Play FILE notify", and whether it still
// existed at each "Close FILE".
HWND playCallback = nullptr;
std::vector<bool> callbackExistedAtClose;

MCIERROR WINAPI recordCallbackAtClose(LPCSTR command, LPSTR answer, UINT answerSize, HWND callback) {
    if (std::string(command) == "Play FILE notify") playCallback = callback;
    if (std::string(command) == "Close FILE")
        callbackExistedAtClose.push_back(IsWindow(playCallback) != FALSE);
    return recordMci(command, answer, answerSize, callback);
}
}  // namespace

// The sequencer's late "aborted" notice goes to the callback window: the
// file is closed while that window still exists, and only once.
TEST(KestoPlayback, ClosingTheWindowWhilePlayingClosesTheFileBeforeTheWindowIsGone) {
    KestoWindow kesto;
    mciSendCall = recordCallbackAtClose;
    callbackExistedAtClose.clear();
    kesto.click(PlayId);
    DestroyWindow(kesto.window);
    EXPECT_EQ(0, playing);
    drainMessages();
    delete kesto.app;
    kesto.app = nullptr;
    EXPECT_EQ("Close FILE", mciCommands().back());
    EXPECT_EQ(1, countOf(mciCommands(), "Close FILE"));
    EXPECT_EQ(std::vector<bool>{true}, callbackExistedAtClose);
}

TEST(EZMIDIPlayerReal, OpensAFileInAFolderWithBlanksThatTheUnquotedCommandCannotName) {
    ScratchFolder folder("mci folder with blanks");
    writeFile("tmpplay.mid", readFile(KESTO_EXAMPLE_TUNE));
    const std::string path = folder.path("tmpplay.mid");
    EZMIDIPlayer sequencer;
    sequencer.setFile(path.c_str());
    EXPECT_EQ(openCommandFor(path), sequencer.openCommand);
    ASSERT_EQ(0u, sequencer.open()) << "the real MCI sequencer opens the quoted name";
    sequencer.isOpen = 1;
    sequencer.close();
    EXPECT_EQ(0, sequencer.isOpen);
    const std::string unquoted = "Open " + path + " Alias FILE";
    EXPECT_NE(0u, mciSendStringA(unquoted.c_str(), nullptr, 0, nullptr));
    mciSendStringA("Close FILE", nullptr, 0, nullptr);
}

TEST(EZMIDIPlayer, SetFileClosesWhatIsOpenAndKeepsLongNamesWhole) {
    mciCalls.clear();
    MciSendCall previous = mciSendCall;
    mciSendCall = recordMci;
    EZMIDIPlayer sequencer;
    sequencer.isOpen = 1;
    const std::string longName = "C:\\" + std::string(PlayerNameSize - 6, 'n') + ".m";
    sequencer.setFile(longName.c_str());
    EXPECT_EQ(std::vector<std::string>{"Close FILE"}, mciCommands());
    EXPECT_EQ(0, sequencer.isOpen);
    ASSERT_EQ(255u, longName.size());
    EXPECT_EQ(longName, sequencer.fileName);
    EXPECT_EQ(openCommandFor(longName), sequencer.openCommand);
    mciSendCall = previous;
}

TEST(KestoPlayback, FailedConversionPlaysNothing) {
    KestoWindow kesto;
    std::snprintf(playPath, sizeof playPath, "%s", kesto.start.path("no such folder\\tmpplay.mid").c_str());
    const std::vector<BoxText> boxes = kesto.clickAnswering(PlayId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("KESTO Error", boxes[0].caption);
    EXPECT_TRUE(mciCalls.empty());
    EXPECT_EQ("Play", kesto.text(PlayId));
}

// The playback file is a tune of the folder like any other: loaded, it is not converted over itself.
TEST(KestoPlayback, ATuneLoadedFromThePlaybackFileIsNotPlayedOverItself) {
    KestoWindow kesto;
    writeFile("tmpplay.mid", readFile(KESTO_EXAMPLE_TUNE));
    kesto.drop({kesto.start.path("tmpplay.mid")});
    const std::vector<BoxText> boxes = kesto.clickAnswering(PlayId, 1);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot out to this_file. so no converted.", boxes[0].text);
    EXPECT_EQ(readFile(KESTO_EXAMPLE_TUNE), readFile("tmpplay.mid"));
    EXPECT_EQ(std::vector<std::string>{}, mciCommands());
    expectPlaying(kesto, false);
}
