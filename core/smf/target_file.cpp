#include "smf/target_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#endif

namespace {
#ifdef _WIN32
constexpr char Separators[] = "/\\:";
#else
constexpr char Separators[] = "/";
#endif

void refuse(TargetFile& target, std::error_code why) {
    target.kind = TargetKind::Refused;
    target.refusal = why;
}

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

// Windows reads no link's target here: a link is the name it is.
std::string finalTarget(const std::string& path) {
    return path;
}

TargetFile probeExisting(HANDLE file, const char* path) {
    TargetFile target;
    target.path = path;
    const DWORD type = GetFileType(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
        target.kind = TargetKind::InPlace;
    } else if (GetFileInformationByHandle(file, &info) == 0) {
        refuse(target, lastSystemError());
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        refuse(target, std::make_error_code(std::errc::is_a_directory));
    } else {
        const DWORD attributes = GetFileAttributesA(path);  // of the name itself, a link included
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            target.path = finalPathOf(file);
        target.kind = TargetKind::Regular;
        if (target.path.empty() || !isWritable(target.path)) refuse(target, lastSystemError());
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
        const std::error_code notOpened = lastSystemError();
        // A link whose referent is gone still has its own attributes.
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            refuse(target, notOpened);
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

// As the kernel follows links: at most this many on the way to a file.
constexpr int MaxLinkHops = 40;

// The text a link holds; empty for a name that is no link.
std::string linkText(const std::string& path) {
    char text[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), text, sizeof text);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof text) return {};
    return std::string(text, static_cast<size_t>(length));
}

// The name path finally leads to when every link on the way is followed, a
// dangling one included: where bytes written to path would go. A relative
// link is read from its own folder. A loop of links leads nowhere: path
// stays as it is.
std::string finalTarget(const std::string& path) {
    std::string name = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        const std::string text = linkText(name);
        if (text.empty()) return name;
        name = text[0] == '/' ? text : name.substr(0, finalNameStart(name)) + text;
    }
    return path;
}

TargetFile regularTarget(const std::string& path, const struct stat& info) {
    TargetFile target;
    target.path = path;
    target.kind = TargetKind::Regular;
    if (path.empty() || !isWritable(path)) refuse(target, lastSystemError());
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
        refuse(target, lastSystemError());  // a dangling link, or a loop of links
    } else if (S_ISDIR(reached.st_mode)) {
        refuse(target, std::make_error_code(std::errc::is_a_directory));
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

std::error_code lastSystemError() {
#ifdef _WIN32
    return {static_cast<int>(GetLastError()), std::system_category()};
#else
    return {errno, std::generic_category()};
#endif
}

namespace {
bool sameFinalFile(const std::string& a, const std::string& b) {
    FileId idA;
    FileId idB;
    const bool existsA = fileIdOf(a, idA);
    const bool existsB = fileIdOf(b, idB);
    if (existsA || existsB) return existsA && existsB && idA == idB;
    return samePlace(a, b);
}
}  // namespace

bool namesSameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    return a == b || sameFinalFile(finalTarget(a), finalTarget(b));
}
