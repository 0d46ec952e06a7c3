#include "startup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "base/fatal_error.h"
#include "gui_test_support.h"
#include "kesto_window.h"
#include "quavel_version.h"
#include "test_support.h"

namespace {
const char* const AlreadyStarted = "QUAVEL was Already Started.";

// Runs checkInstanceLock and reports what it answered and showed.
struct LockCheck {
    bool allowed;
    std::vector<BoxText> boxes;
};
LockCheck checkLock(const char* commandLine) {
    ModalDriver driver;
    driver.expectBox();
    const bool allowed = checkInstanceLock(commandLine);
    return {allowed, driver.seen};
}

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        appProfile.enabled = 1;
        appProfile.lockOwner = 0;
    }
    void TearDown() override { appProfile.lockOwner = 0; }
};

// Runs with the current directory set to a folder, then goes back.
class InDirectory {
public:
    explicit InDirectory(const std::string& directory) : previous(currentDirectory()) {
        CreateDirectoryA(directory.c_str(), nullptr);
        entered = SetCurrentDirectoryA(directory.c_str()) != FALSE;
    }
    ~InDirectory() { SetCurrentDirectoryA(previous.c_str()); }
    bool entered;

private:
    std::string previous;
};

void setUpPathsAfresh() {
    sourcePath[0] = '\0';
    setUpPaths();
}
}  // namespace

TEST_F(InstanceLockTest, OwnerGoesOnWithoutANotice) {
    appProfile.lockOwner = 1;
    const LockCheck check = checkLock("");
    EXPECT_TRUE(check.allowed);
    EXPECT_TRUE(check.boxes.empty());
}

TEST_F(InstanceLockTest, ExactlyUnlockTakesTheLockOver) {
    const LockCheck check = checkLock("unlock");
    EXPECT_TRUE(check.allowed);
    EXPECT_EQ(1, appProfile.lockOwner);
    EXPECT_TRUE(check.boxes.empty());
}

TEST_F(InstanceLockTest, OtherCommandLinesAreRefusedWithTheNotice) {
    for (const char* commandLine : {"", "Unlock", "UNLOCK", "unlock ", " unlock", "unlock x", "unlockx"}) {
        const LockCheck check = checkLock(commandLine);
        EXPECT_FALSE(check.allowed) << '"' << commandLine << '"';
        ASSERT_EQ(1u, check.boxes.size()) << '"' << commandLine << '"';
        EXPECT_EQ("Notice!", check.boxes[0].caption);
        EXPECT_EQ(AlreadyStarted, check.boxes[0].text);
    }
    EXPECT_FALSE(checkLock(nullptr).allowed);
}

namespace {
int bootValue() {
    return static_cast<int>(GetPrivateProfileIntA("COMMON", "BOOT", -1, appProfile.profileFile));
}

int filterCalls = 0;
LONG WINAPI countingFilter(EXCEPTION_POINTERS*) {
    ++filterCalls;
    return EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace

// A fault or an abort ends the process without the static destructors that
// free the lock: the owner's lock is freed first, and the fault goes on to
// the filter that was there before, once however often this is set up.
TEST_F(InstanceLockTest, AFaultOrAnAbortFreesTheOwnersLock) {
    const LPTOP_LEVEL_EXCEPTION_FILTER original = SetUnhandledExceptionFilter(countingFilter);
    freeLockOnAbnormalEnd();
    freeLockOnAbnormalEnd();
    const LPTOP_LEVEL_EXCEPTION_FILTER installed = SetUnhandledExceptionFilter(original);
    const auto abortHandler = std::signal(SIGABRT, SIG_DFL);
    ASSERT_NE(countingFilter, installed);
    ASSERT_NE(SIG_DFL, abortHandler);
    filterCalls = 0;
    for (int owner : {0, 1}) {
        appProfile.lockOwner = owner;
        AppProfile::writeBootValue(appProfile.profileFile, false);
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        CONTEXT context = {};
        EXCEPTION_POINTERS fault = {&record, &context};
        EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, installed(&fault));
        EXPECT_EQ(owner, bootValue()) << "after a fault, owner " << owner;
        AppProfile::writeBootValue(appProfile.profileFile, false);
        abortHandler(SIGABRT);
        EXPECT_EQ(owner, bootValue()) << "after an abort, owner " << owner;
    }
    EXPECT_EQ(2, filterCalls);
}

// After the end of the session the system may end the process at any moment.
TEST_F(InstanceLockTest, TheEndOfTheSessionFreesTheOwnersLock) {
    KestoWindow kesto;
    appProfile.lockOwner = 1;
    AppProfile::writeBootValue(appProfile.profileFile, false);
    SendMessageA(kesto.window, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(0, bootValue()) << "a session that goes on keeps it";
    SendMessageA(kesto.window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(1, bootValue());
}

TEST(WorkingPaths, AreJoinedToTheStartDirectoryByOneBackslash) {
    const std::string directory = currentDirectory() + "\\start dir";
    InDirectory start(directory);
    ASSERT_TRUE(start.entered);
    setUpPathsAfresh();
    EXPECT_EQ(directory, workDir);
    EXPECT_EQ(directory + "\\test.mid", sourcePath);
    EXPECT_EQ(directory + "\\quavel.log", reportPath);
    EXPECT_EQ(directory + "\\out.mid", outputPath);
    EXPECT_EQ(directory + "\\tmpplay.mid", playPath);
    EXPECT_EQ(directory + "\\temp.txt", textPath);
    EXPECT_EQ(directory + "\\temp.mid", textMidiPath);
    EXPECT_EQ(directory, fileDialog.initialDir);
}

TEST(WorkingPaths, ASourceAlreadyChosenIsKept) {
    std::snprintf(sourcePath, sizeof sourcePath, "C:\\chosen.mid");
    setUpPaths();
    EXPECT_STREQ("C:\\chosen.mid", sourcePath);
}

TEST(WorkingPaths, AtARootTheSeparatorIsNotDoubled) {
    InDirectory root("C:\\");
    ASSERT_TRUE(root.entered);
    setUpPathsAfresh();
    EXPECT_STREQ("C:\\test.mid", sourcePath);
    EXPECT_STREQ("C:\\out.mid", outputPath);
}

TEST(WorkingPaths, DirectoryTooLongForTheNamesFallsBackToARelativeOne) {
    const std::string base = currentDirectory() + "\\";
    const std::string directory = base + std::string(246 - base.size(), 'L');
    InDirectory deep(directory);
    ASSERT_TRUE(deep.entered) << "directory of " << directory.size() << " characters";
    setUpPathsAfresh();
    EXPECT_STREQ(".\\test.mid", sourcePath);
    EXPECT_STREQ(".\\tmpplay.mid", playPath);
    EXPECT_STRNE(sourcePath, playPath);
}

TEST(WorkingPaths, DialogFiltersForMidiAndTextAreAdded) {
    setUpPathsAfresh();
    auto findKey = [](const char* key) -> const FFSET* {
        for (int i = 0; i < fileDialog.filterCount; ++i)
            if (std::string(fileDialog.filters[i]->key) == key) return fileDialog.filters[i];
        return nullptr;
    };
    ASSERT_NE(nullptr, findKey("MIDI"));
    ASSERT_NE(nullptr, findKey("TEXT"));
    EXPECT_STREQ("mid", findKey("MIDI")->defaultExt);
    EXPECT_STREQ("*.txt", findKey("TEXT")->filter + sizeof "TEXT File");
}

TEST(WindowTitle, NamesTheVersion) {
    char title[64];
    formatWindowTitle(title, sizeof title);
    EXPECT_EQ(std::string("Quavel Version ") + QuavelVersion, title);
}

class FatalErrorTest : public ::testing::Test {
protected:
    void SetUp() override { AppProfile::writeBootValue(appProfile.profileFile, false); }
    KestoWindow kesto;
};

TEST_F(FatalErrorTest, ShowsTheErrorFreesTheLockAndClosesTheMainWindow) {
    ASSERT_NE(nullptr, kesto.app->windowClass->record.hIcon) << "QUAVELICON resource";
    ASSERT_TRUE(IsWindow(mainWindow));
    FILE* pending = std::fopen("pending.bin", "wb");
    ASSERT_NE(nullptr, pending);
    std::fputs("unflushed", pending);
    ModalDriver driver;
    driver.expectBox();
    fatalError("memory allocation error");
    ASSERT_EQ(1u, driver.seen.size());
    EXPECT_EQ("KESTO Error", driver.seen[0].caption);
    EXPECT_EQ("memory allocation error", driver.seen[0].text);
    EXPECT_EQ("unflushed", readText("pending.bin")) << "open files are flushed and closed";
    EXPECT_EQ(1, AppProfile::readBootValue(appProfile.profileFile));
    drainMessages();
    EXPECT_FALSE(IsWindow(mainWindow));
}

TEST_F(FatalErrorTest, WithoutAMainWindowOnlyTheBoxAndTheLockRemain) {
    mainWindow = nullptr;  // as during the first load inside the window's creation
    ModalDriver driver;
    driver.expectBox();
    fatalError("memory allocation error");
    EXPECT_EQ(1u, driver.seen.size());
    EXPECT_EQ(1, AppProfile::readBootValue(appProfile.profileFile));
    drainMessages();
    EXPECT_TRUE(IsWindow(kesto.window));
}

namespace {
// Shows message as the core does and answers the box; true when it was the
// one "KESTO Error" box.
bool reportsFatally(const char* message) {
    ModalDriver driver;
    driver.expectBox();
    fatalError(message);
    return driver.seen.size() == 1 && driver.seen[0].caption == "KESTO Error" &&
           driver.seen[0].text == message;
}

// Nothing the user can do mends these: the run ends as after any fatal error.
void expectTheRunEnds(const KestoWindow& kesto, const char* message) {
    EXPECT_TRUE(reportsFatally(message));
    EXPECT_EQ(1, AppProfile::readBootValue(appProfile.profileFile));
    drainMessages();
    EXPECT_FALSE(IsWindow(kesto.window));
}
}  // namespace

TEST_F(FatalErrorTest, AFullTrackEndsTheRun) {
    expectTheRunEnds(kesto, "Alloc error");
}

TEST_F(FatalErrorTest, AReportFileThatCannotBeOpenedEndsTheRun) {
    expectTheRunEnds(kesto, "Cannot open report file");
}

// A refused file or an output that cannot be written: the user chooses
// another, so the window, its settings and the lock stay.
TEST_F(FatalErrorTest, FailuresTheUserCanCorrectLeaveTheWindowAndTheLock) {
    for (const char* message : {"Cannot open dest file", "this is not midi", "head type no good",
                                "MIDI format no match", "no support type delta time"}) {
        EXPECT_TRUE(reportsFatally(message));
        EXPECT_EQ(0, AppProfile::readBootValue(appProfile.profileFile)) << message;
        drainMessages();
        EXPECT_TRUE(IsWindow(kesto.window)) << message;
    }
}
