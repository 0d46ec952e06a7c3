#include "app_profile.h"

#include <windows.h>

#include "text_copy.h"

namespace {
const char Section[] = "COMMON";
const char Key[] = "BOOT";
constexpr int MissingValue = -1;
}  // namespace

AppProfile::AppProfile(const char* file) {
    claimLock(file);
}

int AppProfile::readBootValue(const char* file) {
    const int value = static_cast<int>(GetPrivateProfileIntA(Section, Key, MissingValue, file));
    if (value != MissingValue) return value;
    writeBootValue(file, false);
    return 1;
}

void AppProfile::writeBootValue(const char* file, bool isFree) {
    WritePrivateProfileStringA(Section, Key, isFree ? "1" : "0", file);
}

void AppProfile::claimLock(const char* file) {
    copyText(profileFile, file);
    enabled = 1;
    lockOwner = 0;
    if (readBootValue(profileFile) != 0) {
        writeBootValue(profileFile, false);
        lockOwner = 1;
    }
}

void AppProfile::releaseLock() {
    if (enabled && lockOwner) writeBootValue(profileFile, true);
}
