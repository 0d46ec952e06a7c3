// kesto.exe as a user meets it: started as its own process under the same
// Wine prefix, watched through its windows and the shared "quavel.ini".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "quavel_version.h"
#include "test_support.h"

namespace {
const std::string TitleText = std::string("Quavel Version ") + QuavelVersion;
const char* const Title = TitleText.c_str();
constexpr DWORD PatienceMs = 15000;
constexpr DWORD PollMs = 20;

std::string kestoPath() {
    // The build gives a Linux path; Wine sees the Linux root as drive Z:.
    std::string path = std::string("Z:") + KESTO_EXE;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string kestoCommand(const std::string& arguments) {
    return "\"" + kestoPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
}

std::string profilePath() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory) + "\\quavel.ini";
}

// The BOOT value as the file holds it; "" when there is none.
std::string bootValue() {
    std::ifstream in(profilePath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("BOOT=", 0) == 0) return line.substr(5);
    }
    return "";
}

void setBoot(const char* value) {
    WritePrivateProfileStringA("COMMON", "BOOT", value, "quavel.ini");
}

struct Found {
    DWORD processId;
    const char* className;
    const char* title;
    HWND window;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    auto* wanted = reinterpret_cast<Found*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    char title[128] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (owner != wanted->processId || !IsWindowVisible(window)) return TRUE;
    if (wanted->className != nullptr && std::strcmp(className, wanted->className) != 0) return TRUE;
    if (wanted->title != nullptr && std::strcmp(title, wanted->title) != 0) return TRUE;
    wanted->window = window;
    return FALSE;
}

HWND findWindowOf(DWORD processId, const char* className, const char* title) {
    Found found = {processId, className, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

std::string textOf(HWND window) {
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// One kesto process; killed if a test leaves it running.
class Kesto {
public:
    // Started in directory (the test's own when empty); Wine's diagnostics go to errors when given.
    explicit Kesto(const std::string& arguments = "", const std::string& directory = "",
                   HANDLE errors = nullptr) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (errors != nullptr) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdError = errors;
        }
        std::string command = kestoCommand(arguments);
        started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, errors != nullptr, 0, nullptr,
                           directory.empty() ? nullptr : directory.c_str(), &startup, &process) != FALSE;
    }
    ~Kesto() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    // Waits for a visible window of this process, or null after the patience ran out.
    HWND waitForWindow(const char* className, const char* title) const {
        for (DWORD waited = 0; waited < PatienceMs; waited += PollMs) {
            if (HWND window = findWindowOf(process.dwProcessId, className, title)) return window;
            if (WaitForSingleObject(process.hProcess, PollMs) == WAIT_OBJECT_0) break;
        }
        return nullptr;
    }
    HWND waitForMainWindow() const { return waitForWindow(nullptr, Title); }
    HWND waitForBox() const { return waitForWindow("#32770", nullptr); }

    // Waits until the control of the main window shows text.
    bool waitForText(int id, const std::string& text) const {
        HWND control = GetDlgItem(waitForMainWindow(), id);
        for (DWORD waited = 0; waited < PatienceMs; waited += PollMs) {
            if (textOf(control) == text) return true;
            Sleep(PollMs);
        }
        return false;
    }

    DWORD exitCode() const {
        if (WaitForSingleObject(process.hProcess, PatienceMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }
    DWORD closeAndWait() const {
        PostMessageA(waitForMainWindow(), WM_CLOSE, 0, 0);
        return exitCode();
    }

    bool started;
    PROCESS_INFORMATION process = {};
};

// Expects the refusal: the "Notice!" box, no main window, exit code 1.
void expectRefused(const char* arguments) {
    SCOPED_TRACE(std::string("arguments \"") + arguments + "\"");
    Kesto refused(arguments);
    ASSERT_TRUE(refused.started);
    HWND box = refused.waitForBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Notice!", textOf(box));
    EXPECT_EQ("QUAVEL was Already Started.", textOf(GetDlgItem(box, 0xFFFF)));
    EXPECT_EQ(nullptr, findWindowOf(refused.process.dwProcessId, nullptr, Title));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, refused.exitCode());
}

// kesto starts in the test's folder, which holds the example as "test.mid".
class KestoProcess : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(profilePath().c_str());
        writeFile("test.mid", readFile(KESTO_EXAMPLE_TUNE));
    }
    void TearDown() override { DeleteFileA(profilePath().c_str()); }
};

constexpr int ConvertId = 6001, PlayId = 6003, ToTextId = 6004, ToMidiId = 6005;

void clickButton(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// One string as Wine's trace quotes it: backslashes escape the next character.
std::string unescaped(const std::string& quoted, std::size_t begin) {
    std::string text;
    for (std::size_t at = begin; at < quoted.size() && quoted[at] != '"'; ++at) {
        if (quoted[at] == '\\') ++at;
        if (at < quoted.size()) text += quoted[at];
    }
    return text;
}

// The MCI command strings in a Wine trace of the mci channel, in order.
std::vector<std::string> mciCommandsTraced(const std::string& trace) {
    const std::string marker = "trace:mci:mciSendStringW (L\"";
    std::vector<std::string> commands;
    for (std::size_t at = trace.find(marker); at != std::string::npos; at = trace.find(marker, at + 1))
        commands.push_back(unescaped(trace, at + marker.size()));
    return commands;
}
}  // namespace

TEST_F(KestoProcess, FirstStartHoldsTheLockWhileItRuns) {
    Kesto kesto;
    ASSERT_TRUE(kesto.started);
    HWND window = kesto.waitForMainWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("0", bootValue());
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("WL001", className);

    expectFramedSize(window, 780, 475);

    EXPECT_EQ(0u, kesto.closeAndWait());
    EXPECT_EQ("1", bootValue());
}

TEST(KestoResources, ProgramCarriesItsIconGroup) {
    HMODULE program = LoadLibraryExA(kestoPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    EXPECT_NE(nullptr, FindResourceA(program, "QUAVELICON", RT_GROUP_ICON));
    FreeLibrary(program);
}

TEST_F(KestoProcess, SecondStartIsRefusedAndLeavesTheLockAlone) {
    Kesto first;
    ASSERT_NE(nullptr, first.waitForMainWindow());
    expectRefused("");
    EXPECT_EQ("0", bootValue());
    EXPECT_EQ(0u, first.closeAndWait());
    EXPECT_EQ("1", bootValue());
}

TEST_F(KestoProcess, OnlyTheExactWordUnlockOverridesATakenLock) {
    setBoot("0");
    // Case and trailing words survive the way to WinMain's command line; more spellings are checked
    // in-process.
    for (const char* spelling : {"Unlock", "unlock x"}) expectRefused(spelling);
    EXPECT_EQ("0", bootValue());

    Kesto unlocked("unlock");
    ASSERT_NE(nullptr, unlocked.waitForMainWindow());
    EXPECT_EQ("0", bootValue());
    EXPECT_EQ(0u, unlocked.closeAndWait());
    EXPECT_EQ("1", bootValue());
}

TEST_F(KestoProcess, FirstOfTwoInstancesToExitFreesTheLock) {
    Kesto first;
    ASSERT_NE(nullptr, first.waitForMainWindow());
    Kesto second("unlock");
    ASSERT_NE(nullptr, second.waitForMainWindow());
    EXPECT_EQ(0u, first.closeAndWait());
    EXPECT_EQ("1", bootValue());
    EXPECT_EQ(0u, second.closeAndWait());
    EXPECT_EQ("1", bootValue());
}

TEST_F(KestoProcess, StartWithoutTestMidNoticesItAndWaitsForAFile) {
    DeleteFileA("test.mid");
    Kesto kesto;
    HWND box = kesto.waitForBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("Notice!", textOf(box));
    EXPECT_EQ("Cannot open source file", textOf(GetDlgItem(box, 0xFFFF)));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND window = kesto.waitForMainWindow();
    ASSERT_NE(nullptr, window);
    for (int id : {ConvertId, ConvertId + 1, PlayId, ToTextId})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, ToMidiId)));
    EXPECT_EQ(0u, kesto.closeAndWait());
}

// Run by its own test entry, whose standard error (where Wine writes its
// trace, of kesto too) goes to the file this variable names.
TEST_F(KestoProcess, PlayAndStopSendTheMciStringsFromAFolderWithBlanks) {
    char traceFile[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KESTO_MCI_TRACE", traceFile, sizeof traceFile) == 0)
        GTEST_SKIP() << "needs the trace of Wine's mci channel in KESTO_MCI_TRACE";
    const std::string folder = currentDirectory() + "\\start folder with blanks";
    CreateDirectoryA(folder.c_str(), nullptr);
    writeFile(folder + "\\test.mid", readFile(KESTO_EXAMPLE_TUNE));
    Kesto kesto("", folder);
    HWND window = kesto.waitForMainWindow();
    ASSERT_NE(nullptr, window);
    clickButton(window, PlayId);
    EXPECT_TRUE(kesto.waitForText(PlayId, "Stop"));
    clickButton(window, PlayId);
    EXPECT_TRUE(kesto.waitForText(PlayId, "Play"));
    EXPECT_EQ(0u, kesto.closeAndWait());

    const std::vector<std::string> expected = {"Open \"" + folder + "\\tmpplay.mid\" Alias FILE",
                                               "Play FILE notify", "Close FILE"};
    EXPECT_EQ(expected, mciCommandsTraced(readText(traceFile)));
}
