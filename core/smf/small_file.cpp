#include "smf/small_file.h"

#include <algorithm>

#include "smf/target_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {
#ifdef _WIN32
class ReadingFile {
public:
    explicit ReadingFile(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ReadingFile(const ReadingFile&) = delete;
    ReadingFile& operator=(const ReadingFile&) = delete;
    ~ReadingFile() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }

    // A folder does not open without backup semantics; a device does, and is no file.
    bool isRegular() const { return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK; }

    // Up to n bytes; 0 at the end, -1 on an error.
    long long read(char* into, size_t n) {
        DWORD got = 0;
        if (!ReadFile(handle, into, static_cast<DWORD>(n), &got, nullptr)) return -1;
        return got;
    }

private:
    HANDLE handle;
};
#else
class ReadingFile {
public:
    // Without O_NONBLOCK a FIFO put in the file's place would block the open.
    explicit ReadingFile(const std::string& path)
        : descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}
    ReadingFile(const ReadingFile&) = delete;
    ReadingFile& operator=(const ReadingFile&) = delete;
    ~ReadingFile() {
        if (descriptor >= 0) ::close(descriptor);
    }

    bool isRegular() const {
        struct stat info {};
        return descriptor >= 0 && ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    }

    long long read(char* into, size_t n) {
        ssize_t got = 0;
        do got = ::read(descriptor, into, n);
        while (got < 0 && errno == EINTR);
        return got;
    }

private:
    int descriptor;
};
#endif

constexpr size_t ChunkSize = 16384;
}  // namespace

SmallFileRead readSmallFile(const std::string& path, size_t limit, std::string& text) {
    text.clear();
    if (kindOfFile(path) != FileKind::Regular) return SmallFileRead::NotOpened;
    ReadingFile file(path);
    if (!file.isRegular()) return SmallFileRead::NotOpened;
    char chunk[ChunkSize];
    while (text.size() <= limit) {
        const long long got = file.read(chunk, std::min(ChunkSize, limit + 1 - text.size()));
        if (got < 0) return SmallFileRead::NotOpened;
        if (got == 0) return SmallFileRead::Read;
        text.append(chunk, static_cast<size_t>(got));
    }
    return SmallFileRead::TooLarge;
}
