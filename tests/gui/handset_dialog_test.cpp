// The handset dialog as the Handset button opens it: what it offers, the
// order Tab walks it in, what each control puts into the job, and the
// profiles and digits it refuses.
#include "handset_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit/profile_reader.h"
#include "kesto_window.h"
#include "program_folder.h"
#include "resource.h"
#include "test_support.h"

namespace {
// The profiles installed beside the program, in the order quavel lists them.
const std::vector<std::string> InstalledNames = {"gm-lite", "sp-midi-3gpp", "voices-16", "voices-32",
                                                 "voices-64"};

class HandsetDialogTest : public testing::Test {
protected:
    void SetUp() override { forgetHandsetSettings(); }
    void TearDown() override { forgetHandsetSettings(); }
};

std::string itemText(HWND dialog, int id) {
    return windowText(GetDlgItem(dialog, id));
}

std::vector<std::string> profileBoxes(HWND dialog) {
    std::vector<std::string> texts;
    for (int id = IDC_PROFILE_FIRST; GetDlgItem(dialog, id) != nullptr; ++id)
        texts.push_back(itemText(dialog, id));
    return texts;
}

std::vector<std::string> fitEntries(HWND dialog) {
    std::vector<std::string> entries;
    const auto count = SendDlgItemMessageA(dialog, IDC_FIT, CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
        char text[256] = {};
        SendDlgItemMessageA(dialog, IDC_FIT, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

void chooseFit(HWND dialog, int entry) {
    SendDlgItemMessageA(dialog, IDC_FIT, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

void pressOk(HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

std::vector<int> tabWalk(HWND dialog, int from, std::size_t steps) {
    SetFocus(GetDlgItem(dialog, from));
    std::vector<int> ids;
    for (std::size_t i = 0; i < steps; ++i) {
        tabIn(dialog, false);
        ids.push_back(GetDlgCtrlID(GetFocus()));
    }
    return ids;
}
}  // namespace

TEST_F(HandsetDialogTest, OffersTheProfilesQuavelFindsAndTabWalksEveryControl) {
    KestoWindow kesto;
    writeTextFile("mine.profile", "voices = 8\n");
    std::vector<int> walked;
    withDialogOf(kesto, HandsetId, [&](HWND dialog) {
        EXPECT_EQ("Handset Setting", windowText(dialog));
        std::vector<std::string> boxes = {"./mine"};
        boxes.insert(boxes.end(), InstalledNames.begin(), InstalledNames.end());
        EXPECT_EQ(boxes, profileBoxes(dialog));
        boxes.insert(boxes.begin(), "(none)");
        EXPECT_EQ(boxes, fitEntries(dialog));
        EXPECT_EQ(0, SendDlgItemMessageA(dialog, IDC_FIT, CB_GETCURSEL, 0, 0));
        EXPECT_EQ("SP-MIDI", itemText(dialog, IDC_SPMIDI));
        EXPECT_EQ("Slim", itemText(dialog, IDC_SLIM));
        EXPECT_EQ("Format 0", itemText(dialog, IDC_FORMAT_ZERO));
        EXPECT_EQ("Browse...", itemText(dialog, IDC_PROFILE_BROWSE));
        walked = tabWalk(dialog, IDC_PROFILE_FIRST, 15);
        pressOk(dialog);
    });
    const std::vector<int> order = {IDC_PROFILE_FIRST + 1,
                                    IDC_PROFILE_FIRST + 2,
                                    IDC_PROFILE_FIRST + 3,
                                    IDC_PROFILE_FIRST + 4,
                                    IDC_PROFILE_FIRST + 5,
                                    IDC_PROFILE_BROWSE,
                                    IDC_SPMIDI,
                                    IDC_PRIORITY,
                                    IDC_SLIM,
                                    IDC_FORMAT_ZERO,
                                    IDC_FIT,
                                    IDOK,
                                    IDCANCEL,
                                    IDC_PROFILE_FIRST,
                                    IDC_PROFILE_FIRST + 1};
    EXPECT_EQ(order, walked);
    EXPECT_TRUE(handsetSettings.off()) << "OK without changes";
}

TEST_F(HandsetDialogTest, EachControlReachesTheJobAndTheLineUnderTheButtons) {
    KestoWindow kesto;
    withDialogOf(kesto, HandsetId, [](HWND dialog) {
        clickItem(dialog, profileBoxOf(dialog, "voices-16"));
        clickItem(dialog, profileBoxOf(dialog, "gm-lite"));
        clickItem(dialog, IDC_SPMIDI);
        SetDlgItemTextA(dialog, IDC_PRIORITY, "95");
        clickItem(dialog, IDC_SLIM);
        clickItem(dialog, IDC_FORMAT_ZERO);
        chooseFit(dialog, 4);  // voices-32
        pressOk(dialog);
    });
    Job job;
    ASSERT_TRUE(handsetSettings.addTo(job, installedProfileFolder()).ok());
    ASSERT_EQ(2u, job.profiles.size());
    EXPECT_EQ("gm-lite", job.profiles[0].name) << "in the order of the boxes";
    EXPECT_EQ("voices-16", job.profiles[1].name);
    EXPECT_EQ(1, job.spMidi.enabled);
    EXPECT_EQ((std::vector<int>{9, 5}), job.spMidi.priority);
    EXPECT_EQ(1, job.slim.slim);
    EXPECT_EQ(1, job.slim.formatZero);
    ASSERT_TRUE(job.fit.has_value());
    EXPECT_EQ("voices-32", job.fit->name);
    EXPECT_EQ("Handset: gm-lite, voices-16 \xB7 SP-MIDI 95 \xB7 slim \xB7 format 0 \xB7 fit voices-32",
              kesto.text(HandsetLineId));

    // Reopened, the dialog shows what was stored; unchecking all turns it off.
    withDialogOf(kesto, HandsetId, [](HWND dialog) {
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, profileBoxOf(dialog, "gm-lite")));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, profileBoxOf(dialog, "voices-64")));
        EXPECT_EQ("95", itemText(dialog, IDC_PRIORITY));
        EXPECT_EQ(4, SendDlgItemMessageA(dialog, IDC_FIT, CB_GETCURSEL, 0, 0));
        for (int id : {profileBoxOf(dialog, "gm-lite"), profileBoxOf(dialog, "voices-16"), IDC_SPMIDI,
                       IDC_SLIM, IDC_FORMAT_ZERO})
            clickItem(dialog, id);
        SetDlgItemTextA(dialog, IDC_PRIORITY, "");
        chooseFit(dialog, 0);
        pressOk(dialog);
    });
    EXPECT_TRUE(handsetSettings.off());
    EXPECT_EQ("Handset: off", kesto.text(HandsetLineId));
}

TEST_F(HandsetDialogTest, CancelEscAndTheCloseBoxStoreNothing) {
    KestoWindow kesto;
    for (const UINT message : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE)}) {
        withDialogOf(kesto, HandsetId, [message](HWND dialog) {
            clickItem(dialog, IDC_SLIM);
            chooseFit(dialog, 1);
            PostMessageA(dialog, message, message == WM_COMMAND ? IDCANCEL : 0, 0);
        });
        EXPECT_TRUE(handsetSettings.off());
    }
}

TEST_F(HandsetDialogTest, AnUnreadableProfileIsShownWithItsMessageAndCannotBeChosen) {
    KestoWindow kesto;
    writeTextFile("broken.profile", "colour = red\n");
    writeTextFile("elsewhere.txt", "voices = 4\n");
    writeTextFile("broken-elsewhere.txt", "voices = many\n");
    HandsetProfile unused;
    const std::string brokenMessage = loadHandsetProfile("broken", "", unused).message();
    const std::string elsewhereMessage =
        loadHandsetProfile(kesto.start.path("broken-elsewhere.txt"), "", unused).message();
    kesto.dialogs.answers = {kesto.start.path("broken-elsewhere.txt"), kesto.start.path("elsewhere.txt")};
    withDialogOf(kesto, HandsetId, [&](HWND dialog) {
        const int broken = profileBoxOf(dialog, "./broken");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, broken)));
        EXPECT_EQ(brokenMessage + "\r\n", itemText(dialog, IDC_HANDSET_MESSAGE));
        EXPECT_EQ(InstalledNames.size() + 1, fitEntries(dialog).size()) << "not offered to fit to";

        clickItem(dialog, IDC_PROFILE_BROWSE);
        EXPECT_EQ(brokenMessage + "\r\n" + elsewhereMessage + "\r\n", itemText(dialog, IDC_HANDSET_MESSAGE));
        EXPECT_EQ(InstalledNames.size() + 1, profileBoxes(dialog).size()) << "a refused file gets no box";

        clickItem(dialog, IDC_PROFILE_BROWSE);
        const int added = profileBoxOf(dialog, kesto.start.path("elsewhere.txt"));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, added));
        EXPECT_EQ(kesto.start.path("elsewhere.txt"), fitEntries(dialog).back());
        EXPECT_EQ(brokenMessage + "\r\n", itemText(dialog, IDC_HANDSET_MESSAGE));
        clickItem(dialog, broken);
        pressOk(dialog);
    });
    EXPECT_EQ("Select handset profile", kesto.dialogs.titles.at(0));
    EXPECT_EQ(std::vector<std::string>{kesto.start.path("elsewhere.txt")}, handsetSettings.checked);
}

TEST_F(HandsetDialogTest, PriorityDigitsAgainstTheRuleAreShownAtOnceAndOkRefusesThem) {
    KestoWindow kesto;
    bool stayedOpen = false;
    withDialogOf(kesto, HandsetId, [&](HWND dialog) {
        clickItem(dialog, IDC_SPMIDI);
        for (const char* wrong : {"99", "9G", "9 5"}) {
            SetDlgItemTextA(dialog, IDC_PRIORITY, wrong);
            EXPECT_EQ(std::string(PriorityRuleText) + "\r\n", itemText(dialog, IDC_HANDSET_MESSAGE)) << wrong;
            pressOk(dialog);
            stayedOpen = IsWindowVisible(dialog) != FALSE && GetFocus() == GetDlgItem(dialog, IDC_PRIORITY);
            EXPECT_TRUE(stayedOpen) << wrong;
        }
        EXPECT_TRUE(handsetSettings.off());
        SetDlgItemTextA(dialog, IDC_PRIORITY, "a3");
        EXPECT_EQ("", itemText(dialog, IDC_HANDSET_MESSAGE));
        pressOk(dialog);
    });
    EXPECT_EQ(1, handsetSettings.spMidi);
    EXPECT_EQ("A3", handsetSettings.priority) << "the box takes the digits in upper case";
}
