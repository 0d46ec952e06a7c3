#include "startup.h"

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "base/fatal_error.h"
#include "message_boxes.h"
#include "quavel_version.h"
#include "smf/target_file.h"
#include "text_copy.h"
#include "win_app.h"

char workDir[PathSize];
char sourcePath[PathSize];
char outputPath[PathSize];
char reportPath[PathSize];
char playPath[PathSize];
char textPath[PathSize];
char textMidiPath[PathSize];

namespace {
// The longest name joined to workDir: a directory that leaves no room for it
// would make cut paths that could name one file twice.
const char LongestWorkFile[] = "tmpplay.mid";
const char CurrentDirectory[] = ".";
// The failures that leave nothing for the user to put right: the run ends.
// Every other one (a refused file, an output that cannot be written) leaves
// the window open with its settings.
const char* const FailuresThatEndTheRun[] = {"memory allocation error", "Alloc error",
                                             "Cannot open report file"};

bool endsTheRun(const char* message) {
    for (const char* failure : FailuresThatEndTheRun)
        if (message != nullptr && std::strcmp(message, failure) == 0) return true;
    return false;
}

LPTOP_LEVEL_EXCEPTION_FILTER filterBefore = nullptr;

LONG WINAPI releaseLockOnFault(EXCEPTION_POINTERS* fault) {
    appProfile.releaseLock();
    return filterBefore != nullptr ? filterBefore(fault) : EXCEPTION_CONTINUE_SEARCH;
}

// The runtime has set the default action back before this runs: abort goes on.
void releaseLockOnAbort(int) {
    appProfile.releaseLock();
}

void readWorkDir() {
    const DWORD length = GetCurrentDirectoryA(PathSize, workDir);
    const DWORD room = PathSize - 1 - (sizeof LongestWorkFile - 1) - 1;
    if (length == 0 || length > room) copyText(workDir, CurrentDirectory);
}

// workDir, one backslash, name; no second backslash after a root such as "C:\".
void workFile(char (&path)[PathSize], const char* name) {
    const std::size_t length = std::strlen(workDir);
    const bool endsWithBackslash = length > 0 && workDir[length - 1] == '\\';
    std::snprintf(path, PathSize, endsWithBackslash ? "%s%s" : "%s\\%s", workDir, name);
}
}  // namespace

bool checkInstanceLock(const char* commandLine) {
    if (commandLine != nullptr && std::strcmp(commandLine, "unlock") == 0 && appProfile.enabled)
        appProfile.lockOwner = 1;
    if (appProfile.enabled && appProfile.lockOwner) return true;
    showNotice("QUAVEL was Already Started.");
    return false;
}

void freeLockOnAbnormalEnd() {
    const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(releaseLockOnFault);
    // Installed twice, the filter must not hand a fault on to itself.
    if (before != releaseLockOnFault) filterBefore = before;
    std::signal(SIGABRT, releaseLockOnAbort);
}

void setUpPaths() {
    readWorkDir();
    if (sourcePath[0] == '\0') workFile(sourcePath, "test.mid");
    workFile(reportPath, "quavel.log");
    workFile(outputPath, "out.mid");
    workFile(playPath, LongestWorkFile);
    workFile(textPath, "temp.txt");
    workFile(textMidiPath, "temp.mid");
    copyText(fileDialog.initialDir, workDir);
    fileDialog.addFilter("MIDI", "MIDI File|*.mid||", "mid");
    fileDialog.addFilter("TEXT", "TEXT File|*.txt||", "txt");
    fileDialog.addFilter("PROFILE", "Handset Profile|*.profile||", "profile");
}

void formatWindowTitle(char* title, int size) {
    std::snprintf(title, static_cast<size_t>(size), "Quavel Version %s", QuavelVersion);
}

void showKestoError(const char* text) {
    MessageBoxA(nullptr, text, "KESTO Error", MB_OK);
}

void fatalError(const char* message) {
    _fcloseall();
    showKestoError(message);
    if (!endsTheRun(message)) return;
    // Written whether or not this process owns the lock: the run is over.
    AppProfile::writeBootValue(appProfile.profileFile, true);
    // Before the main window exists (the first load runs inside its creation) there is nothing to close.
    if (mainWindow != nullptr) PostMessageA(mainWindow, WM_CLOSE, 0, 0);
}

bool refusesToWriteOver(const char* target, const char* source) {
    if (!namesSameFile(target, source)) return false;
    showKestoError("Cannot out to this_file. so no converted.");
    return true;
}
