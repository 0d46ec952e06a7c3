#pragma once

// The name of the ini file that carries the single-instance lock. Without a
// directory the platform keeps it in the Windows folder.
constexpr const char* ProfileFileName = "quavel.ini";

// The lock in value BOOT of section COMMON: "1" (or missing) free, "0" taken.
// The lock is claimed at construction and released at destruction by its owner.
class AppProfile {
public:
    explicit AppProfile(const char* file = ProfileFileName);
    AppProfile(const AppProfile&) = delete;
    AppProfile& operator=(const AppProfile&) = delete;
    ~AppProfile() { releaseLock(); }

    // BOOT as a number; a missing value is written "0" and reads as 1.
    static int readBootValue(const char* file);
    static void writeBootValue(const char* file, bool isFree);
    void claimLock(const char* file);
    void releaseLock();

    char profileFile[256] = {};
    int enabled = 0;
    int lockOwner = 0;
};
