#include "program_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef _WIN32
std::string runningProgram() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}
#else
std::string runningProgram() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 && static_cast<size_t>(n) < sizeof path ? std::string(path, static_cast<size_t>(n))
                                                         : std::string();
}
#endif

std::string installedProfileFolder() {
    const std::string program = runningProgram();
    const size_t folderEnd = program.find_last_of("/\\");
    if (folderEnd == std::string::npos) return {};
    // Set by the build from the install layout: the programs' folder to the profiles'.
    return program.substr(0, folderEnd + 1) + QUAVEL_PROFILES_FROM_PROGRAM;
}
