#include "file_dlg.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <dlgs.h>

#include <stdexcept>

#include "gui_test_support.h"

namespace {
// A literal with embedded NULs, without the terminating one.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

std::string filterBytes(const char* filter) {
    std::size_t length = 0;
    while (filter[length] != '\0' || filter[length + 1] != '\0') ++length;
    return std::string(filter, length + 2);
}

// What the last dialog call was given, and what it answers.
OPENFILENAMEA lastRecord;
std::string lastFilter, lastInitialDir, lastDefaultExt, offeredName;
std::string answer;
bool throwInside = false;

BOOL WINAPI fakeDialog(LPOPENFILENAMEA record) {
    lastRecord = *record;
    lastFilter = filterBytes(record->lpstrFilter);
    lastInitialDir = record->lpstrInitialDir ? record->lpstrInitialDir : "";
    lastDefaultExt = record->lpstrDefExt ? record->lpstrDefExt : "";
    offeredName = record->lpstrFile;
    if (throwInside) throw std::runtime_error("inside the dialog");
    if (answer.empty()) return FALSE;
    snprintf(record->lpstrFile, record->nMaxFile, "%s", answer.c_str());
    return TRUE;
}

class FileDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        openFileDialogCall = fakeDialog;
        saveFileDialogCall = fakeDialog;
        answer.clear();
        throwInside = false;
        dialog.addFilter("MIDI", "MIDI File|*.mid||", "mid");
    }
    void TearDown() override {
        openFileDialogCall = GetOpenFileNameA;
        saveFileDialogCall = GetSaveFileNameA;
    }
    FileDlg dialog{nullptr};
    char target[256] = "unchanged";
};
}  // namespace

TEST_F(FileDlgTest, FiltersAreStoredInTheDialogsPairForm) {
    EXPECT_EQ(bytes("All Files\0*.*\0\0"), filterBytes(dialog.filters[0]->filter));
    EXPECT_EQ(bytes("MIDI File\0*.mid\0\0"), filterBytes(dialog.filters[1]->filter));
    ASSERT_TRUE(dialog.addFilter("BARE", "Bare|*.b", "b"));
    EXPECT_EQ(bytes("Bare\0*.b\0\0"), filterBytes(dialog.filters[2]->filter));
    EXPECT_STREQ("b", dialog.filters[2]->defaultExt);
}

TEST_F(FileDlgTest, EmptyOrOverlongKeysEmptyFiltersAndAFullTableAreRefused) {
    EXPECT_FALSE(dialog.addFilter("", "X|*.x||", "x"));
    EXPECT_FALSE(dialog.addFilter("X", "", "x"));
    EXPECT_FALSE(dialog.addFilter(nullptr, "X|*.x||", "x"));
    EXPECT_TRUE(dialog.addFilter(std::string(30, 'k').c_str(), "X|*.x||", "x"));
    EXPECT_FALSE(dialog.addFilter(std::string(31, 'k').c_str(), "X|*.x||", "x"));
    while (dialog.filterCount < FilterCapacity) ASSERT_TRUE(dialog.addFilter("MORE", "M|*.m||", ""));
    EXPECT_FALSE(dialog.addFilter("LAST", "L|*.l||", ""));
    EXPECT_EQ(FilterCapacity, dialog.filterCount);
}

TEST_F(FileDlgTest, OpenDialogGetsTheKeysFilterAndTheCommonSettings) {
    snprintf(dialog.initialDir, sizeof dialog.initialDir, "C:\\work");
    answer = "C:\\work\\song.mid";
    ASSERT_TRUE(dialog.chooseFile("Pick", target, "MIDI", true));
    EXPECT_STREQ("C:\\work\\song.mid", target);
    // The sizes the system accepts: anything else makes the real dialogs fail unseen.
    EXPECT_EQ(sizeof(void*) == 8 ? 136u : 76u, lastRecord.lStructSize);
    EXPECT_EQ(static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A), lastRecord.lStructSize);
    EXPECT_EQ(OpenDialogFlags, lastRecord.Flags);
    EXPECT_EQ(0x1804u, lastRecord.Flags);
    EXPECT_EQ(256u, lastRecord.nMaxFile);
    EXPECT_EQ(64u, lastRecord.nMaxFileTitle);
    EXPECT_EQ(1u, lastRecord.nFilterIndex);
    EXPECT_STREQ("Pick", lastRecord.lpstrTitle);
    EXPECT_EQ(bytes("MIDI File\0*.mid\0\0"), lastFilter);
    EXPECT_EQ("C:\\work", lastInitialDir);
    EXPECT_EQ("mid", lastDefaultExt);
}

TEST_F(FileDlgTest, SaveDialogOfAnUnknownKeyUsesAllFilesWithoutExtension) {
    answer = "out.bin";
    ASSERT_TRUE(dialog.chooseFile("Save", target, "NOSUCH", false));
    EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY), lastRecord.Flags);
    EXPECT_EQ(bytes("All Files\0*.*\0\0"), lastFilter);
    EXPECT_EQ("", lastDefaultExt);
    EXPECT_EQ("", lastInitialDir);
}

TEST_F(FileDlgTest, PresetNameIsOfferedOnceAndCutTo63) {
    dialog.setPresetName(std::string(100, 'p').c_str());
    answer = "x.mid";
    dialog.chooseFile("One", target, "MIDI", false);
    EXPECT_EQ(std::string(63, 'p'), offeredName);
    dialog.chooseFile("Two", target, "MIDI", false);
    EXPECT_EQ("", offeredName);
}

TEST_F(FileDlgTest, CancelledOrFailingDialogLeavesTheTargetAndEmptiesTheChoice) {
    answer = "C:\\first.mid";
    ASSERT_TRUE(dialog.chooseFile("ok", target, "MIDI", true));
    EXPECT_FALSE(dialog.shortName(20).empty());
    answer.clear();
    EXPECT_FALSE(dialog.chooseFile("cancel", target, "MIDI", true));
    EXPECT_STREQ("C:\\first.mid", target);
    EXPECT_EQ("", dialog.shortName(20));
    throwInside = true;
    answer = "C:\\thrown.mid";
    EXPECT_FALSE(dialog.chooseFile("throw", target, "MIDI", true));
    EXPECT_STREQ("C:\\first.mid", target);
}

TEST_F(FileDlgTest, ChosenPathIsCutToTheTargetsSize) {
    char small[8] = {};
    answer = "C:\\a-long-name.mid";
    ASSERT_TRUE(dialog.chooseFile("small", small, "MIDI", true));
    EXPECT_STREQ("C:\\a-lo", small);
}

TEST(ShortenPath, KeepsTheDriveAndTheEndAroundAnEllipsis) {
    const std::string withDrive = "C:\\" + std::string(22, 'd') + "\\tail-of-it.mid";  // 40 characters
    ASSERT_EQ(40u, withDrive.size());
    EXPECT_EQ("C:\\...tail-of-it.mid", shortenPath(withDrive.c_str(), 20));
    const std::string noDrive = withDrive.substr(3) + "abc";  // 40 characters
    EXPECT_EQ("..." + noDrive.substr(40 - 17), shortenPath(noDrive.c_str(), 20));
    EXPECT_EQ(19u, shortenPath(noDrive.c_str(), 5).size());
    EXPECT_EQ(shortenPath(noDrive.c_str(), 19), shortenPath(noDrive.c_str(), -3));
    EXPECT_EQ("C:\\short.mid", shortenPath("C:\\short.mid", 20));
    EXPECT_EQ(std::string(20, 'x'), shortenPath(std::string(20, 'x').c_str(), 20));
}

TEST(FileDlgReal, SaveDialogReturnsTheTypedNameWithTheDefaultExtension) {
    FileDlg dialog(nullptr);
    dialog.addFilter("MIDI", "MIDI File|*.mid||", "mid");
    snprintf(dialog.initialDir, sizeof dialog.initialDir, "%s", currentDirectory().c_str());
    ModalDriver driver;
    std::string caption;
    driver.expect([&](HWND box) {
        caption = windowText(box);
        SetDlgItemTextA(box, cmb13, "picked");
        pressButton(box, IDOK);
    });
    char target[256] = {};
    ASSERT_TRUE(dialog.chooseFile("Select Output MIDI file", target, "MIDI", false));
    EXPECT_EQ("Select Output MIDI file", caption);
    EXPECT_STRCASEEQ((currentDirectory() + "\\picked.mid").c_str(), target);
    EXPECT_TRUE(driver.unexpected.empty());
}

TEST(FileDlgReal, CancelledOpenDialogChoosesNothing) {
    FileDlg dialog(nullptr);
    ModalDriver driver;
    driver.expect([](HWND box) { pressButton(box, IDCANCEL); });
    char target[256] = "kept";
    EXPECT_FALSE(dialog.chooseFile("Open it", target, "DEFAULT", true));
    EXPECT_STREQ("kept", target);
    EXPECT_EQ(0u, CommDlgExtendedError());
}
