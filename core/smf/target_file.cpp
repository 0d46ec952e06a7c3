#include "smf/target_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace {
#ifdef _WIN32
constexpr char Separators[] = "/\\:";
#else
constexpr char Separators[] = "/";
#endif

// A name not yet on disk, as its folder's real path and its final name.
std::string placeOf(const std::string& path, std::string (*realFolder)(const std::string&)) {
    const size_t nameStart = finalNameStart(path);
    const std::string folder = nameStart == 0 ? "." : path.substr(0, nameStart);
    const std::string real = realFolder(folder);
    return (real.empty() ? folder : real) + "/" + path.substr(nameStart);
}

#ifdef _WIN32
struct FileId {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileId& other) const {
        return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
    }
};

// No access rights and full sharing: looking never stands in another run's way.
HANDLE openForLooking(const std::string& path) {
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The final path of an open file, without the "\\?\" that Windows puts first.
std::string finalPathOf(HANDLE file) {
    std::string path(32768, '\0');
    const DWORD length =
        GetFinalPathNameByHandleA(file, &path[0], static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
    if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

bool fileIdOf(const std::string& path, FileId& id) {
    HANDLE file = openForLooking(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return known;
}

std::string realFolderOf(const std::string& folder) {
    HANDLE file = openForLooking(folder);
    if (file == INVALID_HANDLE_VALUE) return {};
    const std::string real = finalPathOf(file);
    CloseHandle(file);
    return real;
}

// Windows names differ in case only when they are different texts.
bool samePlace(const std::string& a, const std::string& b) {
    return lstrcmpiA(placeOf(a, realFolderOf).c_str(), placeOf(b, realFolderOf).c_str()) == 0;
}

// A busy file (another run holds it without sharing) is taken as writable:
// the move waits for it.
bool isWritable(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return true;
}

TargetFile probeExisting(HANDLE file, const char* path) {
    TargetFile target;
    target.path = path;
    const DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        target.kind = TargetKind::InPlace;
    } else if (GetFileInformationByHandle(file, &info) == 0 ||
               (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        target.kind = TargetKind::Refused;
    } else {
        const DWORD attributes = GetFileAttributesA(path);  // of the name itself, a link included
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            target.path = finalPathOf(file);
        target.kind =
            !target.path.empty() && isWritable(target.path) ? TargetKind::Regular : TargetKind::Refused;
    }
    return target;
}

FileKind kindOfNamed(const std::string& path) {
    HANDLE file = openForLooking(path);
    if (file == INVALID_HANDLE_VALUE) return FileKind::Absent;
    BY_HANDLE_FILE_INFORMATION info;
    const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &info) != 0 &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    return regular ? FileKind::Regular : FileKind::Other;
}

TargetFile probeNamed(const char* path) {
    HANDLE file = openForLooking(path);
    if (file == INVALID_HANDLE_VALUE) {
        TargetFile target;
        target.path = path;
        // A link whose referent is gone still has its own attributes.
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            target.kind = TargetKind::Refused;
        return target;
    }
    TargetFile target = probeExisting(file, path);
    CloseHandle(file);
    return target;
}
#else
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId& other) const { return device == other.device && inode == other.inode; }
};

bool fileIdOf(const std::string& path, FileId& id) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

std::string realPathOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string result(real);
    std::free(real);
    return result;
}

bool samePlace(const std::string& a, const std::string& b) {
    return placeOf(a, realPathOf) == placeOf(b, realPathOf);
}

// Without opening: opening a FIFO could block or wake its reader.
bool isWritable(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

TargetFile regularTarget(const std::string& path, const struct stat& info) {
    TargetFile target;
    target.path = path;
    target.kind = !path.empty() && isWritable(path) ? TargetKind::Regular : TargetKind::Refused;
    target.hasOwnership = true;
    target.mode = static_cast<uint32_t>(info.st_mode & 07777);
    target.owner = static_cast<uint32_t>(info.st_uid);
    target.group = static_cast<uint32_t>(info.st_gid);
    return target;
}

FileKind kindOfNamed(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return FileKind::Absent;
    return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

TargetFile probeNamed(const char* path) {
    TargetFile target;
    target.path = path;
    struct stat name {};
    struct stat reached {};
    if (::lstat(path, &name) != 0)
        return target;  // absent, or a folder that cannot be reached: the create decides
    if (::stat(path, &reached) != 0) {
        target.kind = TargetKind::Refused;  // a dangling link, or a loop of links
    } else if (S_ISDIR(reached.st_mode)) {
        target.kind = TargetKind::Refused;
    } else if (S_ISREG(reached.st_mode)) {
        return regularTarget(S_ISLNK(name.st_mode) ? realPathOf(path) : target.path, reached);
    } else {
        target.kind = TargetKind::InPlace;
    }
    return target;
}
#endif
}  // namespace

size_t finalNameStart(const std::string& path) {
    const size_t cut = path.find_last_of(Separators);
    return cut == std::string::npos ? 0 : cut + 1;
}

TargetFile probeTarget(const char* path) {
    return probeNamed(path);
}

FileKind kindOfFile(const std::string& path) {
    return kindOfNamed(path);
}

bool namesSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (a == b) return true;
    FileId idA;
    FileId idB;
    const bool existsA = fileIdOf(a, idA);
    const bool existsB = fileIdOf(b, idB);
    if (existsA || existsB) return existsA && existsB && idA == idB;
    return samePlace(a, b);
}
