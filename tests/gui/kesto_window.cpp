#include "kesto_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app_profile.h"
#include "convert/convert_options.h"
#include "ez_midi_player.h"
#include "file_dlg.h"
#include "gui_parts.h"
#include "job/process_records.h"
#include "quavel_version.h"
#include "resource.h"
#include "startup.h"
#include "test_support.h"

std::vector<MciCall> mciCalls;

MCIERROR WINAPI recordMci(LPCSTR command, LPSTR, UINT, HWND callback) {
    mciCalls.push_back({command, callback});
    return 0;
}

namespace {
FakeFileDialogs* activeDialogs = nullptr;

BOOL WINAPI fakeFileDialog(LPOPENFILENAMEA record) {
    FakeFileDialogs& fake = *activeDialogs;
    fake.titles.push_back(record->lpstrTitle != nullptr ? record->lpstrTitle : "");
    fake.offeredNames.push_back(record->lpstrFile);
    if (fake.answers.empty()) return FALSE;
    const std::string answer = fake.answers.front();
    fake.answers.pop_front();
    if (answer.empty()) return FALSE;
    std::snprintf(record->lpstrFile, record->nMaxFile, "%s", answer.c_str());
    return TRUE;
}
}  // namespace

std::vector<std::string> mciCommands() {
    std::vector<std::string> commands;
    for (const MciCall& call : mciCalls) commands.push_back(call.command);
    return commands;
}

FakeFileDialogs::FakeFileDialogs() {
    activeDialogs = this;
    openFileDialogCall = fakeFileDialog;
    saveFileDialogCall = fakeFileDialog;
}

FakeFileDialogs::~FakeFileDialogs() {
    openFileDialogCall = GetOpenFileNameA;
    saveFileDialogCall = GetSaveFileNameA;
    activeDialogs = nullptr;
}

ScratchFolder::ScratchFolder(const std::string& name)
    : folder(currentDirectory() + "\\" + name), previous(currentDirectory()) {
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
}

ScratchFolder::~ScratchFolder() {
    SetCurrentDirectoryA(previous.c_str());
}

std::string exampleTune() {
    const Bytes bytes = readFile(KESTO_EXAMPLE_TUNE);
    return std::string(bytes.begin(), bytes.end());
}

namespace {
std::string scratchName() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("kesto_") + test->test_suite_name() + "_" + test->name();
}

void writeStartTune(const std::string& bytes) {
    DeleteFileA("test.mid");
    if (!bytes.empty()) writeFile("test.mid", Bytes(bytes.begin(), bytes.end()));
}
}  // namespace

KestoWindow::KestoWindow(const std::string& testMidBytes, int boxesAtStart)
    : start(scratchName()), app(new KestoApp(GetModuleHandleA(nullptr))) {
    writeStartTune(testMidBytes);
    mciCalls.clear();
    mciSendCall = recordMci;
    partsIdCounter.nextPartsId = FirstAutomaticIdBase;
    resetConvertOptions();
    ConvertOptions.detectLevel = 1;
    ConvertOptions.noTimeDetect = 0;
    sourcePath[0] = '\0';
    setUpPaths();
    app->windowClass->setIcon(KestoIconName);
    app->windowClass->registerClass();
    // As in the program: the first load runs before the main window is known.
    mainWindow = nullptr;
    ModalDriver driver;
    for (int i = 0; i < boxesAtStart; ++i) driver.expectBox();
    window = app->createMainWindow((std::string("Quavel Version ") + QuavelVersion).c_str(), -1, -1, 780, 475,
                                   true);
    mainWindow = window;
    ShowWindow(window, SW_SHOW);
    startBoxes = driver.seen;
    EXPECT_TRUE(driver.unexpected.empty()) << "unexpected box: " << driver.unexpected[0].text;
}

KestoWindow::~KestoWindow() {
    if (IsWindow(window)) DestroyWindow(window);
    drainMessages();
    delete app;
    mainWindow = nullptr;
    mciSendCall = mciSendStringA;
}

void KestoWindow::click(int id) const {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
}

std::vector<BoxText> KestoWindow::clickAnswering(int id, int boxes) const {
    ModalDriver driver;
    for (int i = 0; i < boxes; ++i) driver.expectBox();
    click(id);
    EXPECT_TRUE(driver.unexpected.empty()) << "unexpected box: " << driver.unexpected[0].text;
    EXPECT_EQ(0u, driver.scriptsLeft()) << "a box did not come";
    return driver.seen;
}

void KestoWindow::drop(const std::vector<std::string>& names) const {
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(names)), 0);
}

void withDialogOf(const KestoWindow& kesto, int buttonId, const ModalDriver::Script& script) {
    ModalDriver driver;
    driver.expect(script);
    kesto.click(buttonId);
    EXPECT_EQ(0u, driver.scriptsLeft()) << "the dialog did not open";
    EXPECT_TRUE(driver.unexpected.empty()) << "unexpected box: " << driver.unexpected[0].text;
}

void forgetHandsetSettings() {
    WritePrivateProfileStringA("HANDSET", nullptr, nullptr, ProfileFileName);
    handsetSettings = HandsetSettings{};
}

int profileBoxOf(HWND dialog, const std::string& name) {
    for (int id = IDC_PROFILE_FIRST; GetDlgItem(dialog, id) != nullptr; ++id)
        if (windowText(GetDlgItem(dialog, id)) == name) return id;
    ADD_FAILURE() << "no box for " << name;
    return 0;
}

void clickItem(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
