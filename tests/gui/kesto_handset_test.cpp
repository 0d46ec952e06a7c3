// The handset settings in kesto's main window: the Handset button and its
// line, what Convert and Play make and show with them, their keeping in
// quavel.ini across a restart, and kesto's files and findings against
// quavel's on the corpus of tunes.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "handset_settings.h"
#include "kesto_window.h"
#include "resource.h"
#include "run_program.h"
#include "test_support.h"

namespace {
const char CorpusFolder[] = "Z:\\usr\\share\\games\\openttd\\baseset\\openmsx";

class KestoHandsetTest : public testing::Test {
protected:
    void SetUp() override { forgetHandsetSettings(); }
    void TearDown() override { forgetHandsetSettings(); }
};

// The change made in the dialog, then OK.
void changeSettings(const KestoWindow& kesto, const std::function<void(HWND)>& change) {
    withDialogOf(kesto, HandsetId, [&](HWND dialog) {
        change(dialog);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
}

std::vector<std::string> linesOf(const std::string& text, const std::string& end) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = text.find(end, at);
        lines.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next == std::string::npos ? text.size() : next + end.size();
    }
    return lines;
}

// What the report box shows before its first empty line: the findings.
std::vector<std::string> shownFindings(const KestoWindow& kesto) {
    const std::string text = kesto.text(ReportBoxId);
    return linesOf(text.substr(0, text.find("\r\n\r\n") + 2), "\r\n");
}

// The console's lines after its settings: the findings.
std::vector<std::string> consoleFindings(const std::string& output) {
    std::vector<std::string> lines = linesOf(output, "\n");
    std::size_t first = 0;
    while (first < lines.size() && lines[first].rfind("Dinamic Detection", 0) != 0) ++first;
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first + 1), lines.end());
}

std::string convertAnswer(const KestoWindow& kesto) {
    const std::vector<BoxText> boxes = kesto.clickAnswering(ConvertId, 1);
    return boxes.empty() ? "<no box>" : boxes[0].text;
}

std::vector<std::string> corpusTunes() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(CorpusFolder) + "\\*.mid").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(std::string(CorpusFolder) + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
}  // namespace

TEST_F(KestoHandsetTest, TheButtonStandsBelowOptionAndFollowsItInTheTabOrder) {
    KestoWindow kesto;
    EXPECT_EQ("Handset", kesto.text(HandsetId));
    RECT place;
    GetWindowRect(kesto.control(HandsetId), &place);
    MapWindowPoints(nullptr, kesto.window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ((std::vector<LONG>{651, 220, 100, 29}),
              (std::vector<LONG>{place.left, place.top, place.right - place.left, place.bottom - place.top}));
    EXPECT_EQ(kesto.control(HandsetId), GetNextDlgTabItem(kesto.window, kesto.control(OptionId), FALSE));
    EXPECT_EQ(kesto.control(PlayId), GetNextDlgTabItem(kesto.window, kesto.control(HandsetId), FALSE));
    EXPECT_EQ("Handset: off", kesto.text(HandsetLineId));
}

TEST_F(KestoHandsetTest, EveryChangeInTheDialogMakesTheNextConvertConvertAgain) {
    KestoWindow kesto;
    const std::vector<std::function<void(HWND)>> changes = {
        [](HWND dialog) { clickItem(dialog, profileBoxOf(dialog, "voices-16")); },
        [](HWND dialog) { clickItem(dialog, IDC_SPMIDI); },
        [](HWND dialog) { SetDlgItemTextA(dialog, IDC_PRIORITY, "9"); },
        [](HWND dialog) { clickItem(dialog, IDC_SLIM); },
        [](HWND dialog) { clickItem(dialog, IDC_FORMAT_ZERO); },
        [](HWND dialog) { SendDlgItemMessageA(dialog, IDC_FIT, CB_SETCURSEL, 3, 0); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(0u, convertAnswer(kesto).find("Converted to")) << "change " << i;
        changeSettings(kesto, [](HWND) {});
        EXPECT_EQ("Already Converted", convertAnswer(kesto)) << "OK without a change, " << i;
        changeSettings(kesto, changes[i]);
        EXPECT_EQ(0, converted) << "change " << i;
    }
}

TEST_F(KestoHandsetTest, ConvertShowsTheConsolesFindingsAndNamesTheProfilesNotFitted) {
    KestoWindow kesto;
    writeTextFile("tiny.profile", "max-bytes = 10\n");
    const std::string report = kesto.text(ReportBoxId);
    changeSettings(kesto, [](HWND dialog) {
        clickItem(dialog, profileBoxOf(dialog, "./tiny"));
        clickItem(dialog, profileBoxOf(dialog, "voices-16"));
        clickItem(dialog, IDC_SPMIDI);
        SetDlgItemTextA(dialog, IDC_PRIORITY, "95");
        clickItem(dialog, IDC_SLIM);
    });
    const std::string answer = convertAnswer(kesto);
    const ProgramRun quavel = runProgram(QUAVEL_PROGRAM, "-Ptiny -Pvoices-16 -S95 -Z test.mid console.mid");
    ASSERT_EQ(3, quavel.status) << quavel.output;
    EXPECT_EQ(readFile("console.mid"), readFile("out.mid"));
    const std::vector<std::string> findings = consoleFindings(quavel.output);
    ASSERT_FALSE(findings.empty());
    std::string expected;
    for (const std::string& line : findings) expected += line + "\r\n";
    EXPECT_EQ(expected + "\r\n" + report, kesto.text(ReportBoxId));
    EXPECT_NE(std::string::npos, answer.find("\nDETECT Level=1\nDoes not fit: ./tiny")) << answer;
    EXPECT_EQ(answer.size(), answer.rfind("\n") + std::string("\nDoes not fit: ./tiny").size())
        << "the last line";

    // Play plays what Convert wrote.
    kesto.click(PlayId);
    EXPECT_EQ(readFile("out.mid"), readFile("tmpplay.mid"));
    kesto.click(PlayId);
}

TEST_F(KestoHandsetTest, SettingsAreKeptAcrossARestartAndAGoneProfileIsDroppedOnce) {
    HandsetSettings stored;
    std::string line;
    {
        KestoWindow kesto;
        writeTextFile("mine.profile", "voices = 8\n");
        changeSettings(kesto, [](HWND dialog) {
            clickItem(dialog, profileBoxOf(dialog, "./mine"));
            clickItem(dialog, profileBoxOf(dialog, "voices-16"));
            clickItem(dialog, IDC_SPMIDI);
            SetDlgItemTextA(dialog, IDC_PRIORITY, "95");
            clickItem(dialog, IDC_FORMAT_ZERO);
            SendDlgItemMessageA(dialog, IDC_FIT, CB_SETCURSEL, 1, 0);  // ./mine
        });
        stored = handsetSettings;
        line = kesto.text(HandsetLineId);
    }
    EXPECT_EQ("Handset: ./mine, voices-16 \xB7 SP-MIDI 95 \xB7 format 0 \xB7 fit ./mine", line);
    handsetSettings = HandsetSettings{};
    {
        KestoWindow kesto;
        EXPECT_TRUE(stored == handsetSettings);
        EXPECT_EQ(line, kesto.text(HandsetLineId));
        DeleteFileA("mine.profile");
    }
    {
        KestoWindow kesto(exampleTune(), 1);
        ASSERT_EQ(1u, kesto.startBoxes.size());
        EXPECT_EQ("Profile [mine] is gone; it is no longer checked.", kesto.startBoxes[0].text);
        EXPECT_EQ(std::vector<std::string>{"voices-16"}, handsetSettings.checked);
        EXPECT_EQ("", handsetSettings.fit);
        EXPECT_EQ("Handset: voices-16 \xB7 SP-MIDI 95 \xB7 format 0", kesto.text(HandsetLineId));
    }
    KestoWindow told;
    EXPECT_TRUE(told.startBoxes.empty()) << "the notice comes once";
}

// kesto with each of three settings writes quavel's file and shows its lines.
TEST_F(KestoHandsetTest, KestosFilesAndFindingsAreQuavelsOnTheCorpus) {
    const std::vector<std::string> tunes = corpusTunes();
    if (tunes.empty()) GTEST_SKIP() << "no corpus in " << CorpusFolder;
    EXPECT_EQ(31u, tunes.size());
    KestoWindow kesto;
    struct Setting {
        HandsetSettings settings;
        const char* options;
    };
    HandsetSettings checkTwo, spMidiSlim, fit;
    checkTwo.checked = {"sp-midi-3gpp", "voices-16"};
    spMidiSlim.spMidi = 1;
    spMidiSlim.priority = "9";
    spMidiSlim.slim = 1;
    fit.fit = "voices-16";
    const Setting settings[] = {
        {checkTwo, "-Psp-midi-3gpp -Pvoices-16"}, {spMidiSlim, "-S9 -Z"}, {fit, "-Fvoices-16"}};
    int compared = 0;
    for (const Setting& setting : settings) {
        handsetSettings = setting.settings;
        for (const std::string& tune : tunes) {
            SCOPED_TRACE(tune + " " + setting.options);
            kesto.drop({tune});
            ASSERT_EQ(0u, convertAnswer(kesto).find("Converted to"));
            const ProgramRun quavel =
                runProgram(QUAVEL_PROGRAM, std::string(setting.options) + " \"" + tune + "\" console.mid");
            ASSERT_TRUE(quavel.status == 0 || quavel.status == 3) << quavel.output;
            EXPECT_EQ(readFile("console.mid"), readFile("out.mid"));
            EXPECT_EQ(consoleFindings(quavel.output), shownFindings(kesto));
            ++compared;
        }
    }
    EXPECT_EQ(93, compared);
}
