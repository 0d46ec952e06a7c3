#include "staged_output.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {
constexpr int MaxStagingTries = 100;

StagedStep armedStep = StagedStep::None;
int armedCountdown = 0;

// True when the test seam says this step is the one to fail.
bool seamFails(StagedStep step) {
    if (armedStep != step || --armedCountdown > 0) return false;
    armedStep = StagedStep::None;
    return true;
}

// The target is replaced, not written into, so an existing file that could
// not be opened for writing is refused here as it always was.
bool isWritableOrAbsent(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return true;
    std::fclose(file);
    file = std::fopen(path, "r+b");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

#ifdef _WIN32
constexpr intptr_t NoHandle = -1;
unsigned long processNumber() {
    return GetCurrentProcessId();
}

// Exclusive: CREATE_NEW fails on a name that exists, so two runs never share one.
intptr_t createExclusive(const std::string& path, bool& nameTaken) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    nameTaken = file == INVALID_HANDLE_VALUE &&
                (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS);
    return file == INVALID_HANDLE_VALUE ? NoHandle : reinterpret_cast<intptr_t>(file);
}

bool writeSome(intptr_t handle, const uint8_t* bytes, size_t n, size_t& written) {
    const DWORD asked = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    DWORD done = 0;
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(handle), bytes, asked, &done, nullptr);
    written = done;
    return ok && done > 0;
}

bool seekTo(intptr_t handle, size_t offset, bool toEnd) {
    LARGE_INTEGER distance;
    distance.QuadPart = toEnd ? 0 : static_cast<LONGLONG>(offset);
    return SetFilePointerEx(reinterpret_cast<HANDLE>(handle), distance, nullptr,
                            toEnd ? FILE_END : FILE_BEGIN) != 0;
}

bool closeFile(intptr_t handle) {
    return CloseHandle(reinterpret_cast<HANDLE>(handle)) != 0;
}
bool moveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}
void removeFile(const std::string& path) {
    DeleteFileA(path.c_str());
}
#else
constexpr intptr_t NoHandle = -1;
unsigned long processNumber() {
    return static_cast<unsigned long>(getpid());
}

// Exclusive: O_EXCL fails on a name that exists, so two runs never share one.
intptr_t createExclusive(const std::string& path, bool& nameTaken) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    nameTaken = fd < 0 && errno == EEXIST;
    return fd;
}

bool writeSome(intptr_t handle, const uint8_t* bytes, size_t n, size_t& written) {
    const ssize_t done = ::write(static_cast<int>(handle), bytes, n);
    if (done < 0 && errno == EINTR) {
        written = 0;
        return true;
    }
    written = done > 0 ? static_cast<size_t>(done) : 0;
    return done > 0;
}

bool seekTo(intptr_t handle, size_t offset, bool toEnd) {
    return ::lseek(static_cast<int>(handle), toEnd ? 0 : static_cast<off_t>(offset),
                   toEnd ? SEEK_END : SEEK_SET) >= 0;
}

bool closeFile(intptr_t handle) {
    return ::close(static_cast<int>(handle)) == 0;
}
// rename replaces an existing target in one step.
bool moveFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}
#endif

// A name beside the target: the process number keeps runs apart, the count
// steps past names left by others.
std::string stagingName(const std::string& target, int attempt) {
    return target + ".tmp" + std::to_string(processNumber()) + "-" + std::to_string(attempt);
}
}  // namespace

void failStagedOutputAt(StagedStep step, int countdown) {
    armedStep = step;
    armedCountdown = countdown;
}

StagedStep armedStagedFailure() {
    return armedStep;
}

bool StagedOutput::open(const char* targetPath) {
    discard();
    if (targetPath == nullptr || *targetPath == 0 || !isWritableOrAbsent(targetPath)) return false;
    target = targetPath;
    failed = false;
    if (seamFails(StagedStep::Open)) return false;
    return createStaged();
}

bool StagedOutput::createStaged() {
    for (int attempt = 0; attempt < MaxStagingTries; ++attempt) {
        bool nameTaken = false;
        const std::string name = stagingName(target, attempt);
        handle = createExclusive(name, nameTaken);
        if (handle != NoHandle) {
            staging = name;
            return true;
        }
        if (!nameTaken) return false;
    }
    return false;
}

bool StagedOutput::isOpen() const {
    return handle != NoHandle;
}

bool StagedOutput::writeAll(const uint8_t* bytes, size_t n) {
    if (handle == NoHandle || failed) return false;
    if (seamFails(StagedStep::Write)) return fail();
    while (n > 0) {
        size_t written = 0;
        if (!writeSome(handle, bytes, n, written)) return fail();
        bytes += written;
        n -= written;
    }
    return true;
}

bool StagedOutput::write(const void* bytes, size_t n) {
    return writeAll(static_cast<const uint8_t*>(bytes), n);
}

bool StagedOutput::rewrite(size_t offset, const void* bytes, size_t n) {
    if (handle == NoHandle || failed) return false;
    if (!seekTo(handle, offset, false)) return fail();
    const bool written = writeAll(static_cast<const uint8_t*>(bytes), n);
    return seekTo(handle, 0, true) && written;
}

bool StagedOutput::fail() {
    failed = true;
    return false;
}

bool StagedOutput::closeHandle() {
    if (handle == NoHandle) return true;
    const bool closed = closeFile(handle);
    handle = NoHandle;
    return closed;
}

bool StagedOutput::commit() {
    const bool whole = isOpen() && !failed;
    const bool closed = closeHandle();
    if (whole && closed && !seamFails(StagedStep::Close) && !seamFails(StagedStep::Move) &&
        moveFile(staging, target)) {
        staging.clear();
        return true;
    }
    discard();
    return false;
}

void StagedOutput::discard() {
    closeHandle();
    if (!staging.empty()) removeFile(staging);
    staging.clear();
    failed = false;
}
