#include "smf/staged_output.h"

#include <cstdio>

#include "smf/staged_names.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cerrno>
#endif

namespace {
constexpr int MaxStagingTries = 100;
// Beside a target whose name leaves no room for the longer staged name.
constexpr const char* ShortStagingPrefix = ".quavel.tmp";

// What a failure made by the test seam reads as.
const std::error_code InjectedFailure = std::make_error_code(std::errc::io_error);

StagedStep armedStep = StagedStep::None;
int armedCountdown = 0;

// True when the test seam says this step is the one to fail.
bool seamFails(StagedStep step) {
    if (armedStep != step || --armedCountdown > 0) return false;
    armedStep = StagedStep::None;
    return true;
}

#ifdef _WIN32
constexpr intptr_t NoHandle = -1;
constexpr size_t NameLimit = 255;
// Another run's move, an antivirus scanner or an indexer can hold the target
// for a moment.
constexpr DWORD MoveRetryMilliseconds = 2000;
constexpr DWORD LongestMoveWait = 250;

unsigned long processNumber() {
    return GetCurrentProcessId();
}

HANDLE asHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

intptr_t fromHandle(HANDLE file) {
    return file == INVALID_HANDLE_VALUE ? NoHandle : reinterpret_cast<intptr_t>(file);
}

// Exclusive: CREATE_NEW fails on a name that exists, so two runs never share
// one. Shared for deletion, so that the console handler's thread can remove it.
intptr_t createExclusive(const std::string& path, const TargetFile&, bool& nameTaken) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    nameTaken = file == INVALID_HANDLE_VALUE &&
                (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS);
    return fromHandle(file);
}

intptr_t openForWritingInPlace(const std::string& path) {
    return fromHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool writeSome(intptr_t handle, const uint8_t* bytes, size_t n, size_t& written) {
    const DWORD asked = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    DWORD done = 0;
    const BOOL ok = WriteFile(asHandle(handle), bytes, asked, &done, nullptr);
    written = done;
    if (ok && done == 0) SetLastError(ERROR_WRITE_FAULT);  // took nothing, and said no reason
    return ok && done > 0;
}

bool seekTo(intptr_t handle, size_t offset, bool toEnd) {
    LARGE_INTEGER distance;
    distance.QuadPart = toEnd ? 0 : static_cast<LONGLONG>(offset);
    return SetFilePointerEx(asHandle(handle), distance, nullptr, toEnd ? FILE_END : FILE_BEGIN) != 0;
}

bool closeFile(intptr_t handle) {
    return CloseHandle(asHandle(handle)) != 0;
}

// On Windows the staged file has the permissions its folder gives new files.
void keepMetadata(intptr_t, const TargetFile&) {}

bool isBusy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Retried with a growing wait while someone holds the target without sharing it.
bool moveFile(const std::string& from, const std::string& to) {
    DWORD waited = 0;
    for (DWORD wait = 1;; wait = wait < LongestMoveWait ? wait * 2 : LongestMoveWait) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
        if (!isBusy(GetLastError()) || waited >= MoveRetryMilliseconds) return false;
        Sleep(wait);
        waited += wait;
    }
}

void removeFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

// The ANSI file functions take paths shorter than MAX_PATH.
bool stagedNameFits(const std::string& path, size_t nameLength, const std::string&) {
    return nameLength <= NameLimit && path.size() < MAX_PATH;
}
#else
constexpr intptr_t NoHandle = -1;
constexpr long FallbackNameLimit = 255;

unsigned long processNumber() {
    return static_cast<unsigned long>(getpid());
}

// Exclusive: O_EXCL fails on a name that exists, so two runs never share one.
// A replaced file's permission bits apply from the start: a private file's
// bytes are never readable by others, not even while staged.
intptr_t createExclusive(const std::string& path, const TargetFile& target, bool& nameTaken) {
    const mode_t mode = target.hasOwnership ? static_cast<mode_t>(target.mode & 0777) : 0666;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    nameTaken = fd < 0 && errno == EEXIST;
    return fd;
}

// A FIFO without a reader yet refuses a writer that does not wait: then the
// writer waits for it, as every writer of a FIFO does.
intptr_t openForWritingInPlace(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENXIO) fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool writeSome(intptr_t handle, const uint8_t* bytes, size_t n, size_t& written) {
    const ssize_t done = ::write(static_cast<int>(handle), bytes, n);
    if (done < 0 && errno == EINTR) {
        written = 0;
        return true;
    }
    written = done > 0 ? static_cast<size_t>(done) : 0;
    if (done == 0) errno = EIO;  // took nothing, and said no reason
    return done > 0;
}

bool seekTo(intptr_t handle, size_t offset, bool toEnd) {
    return ::lseek(static_cast<int>(handle), toEnd ? 0 : static_cast<off_t>(offset),
                   toEnd ? SEEK_END : SEEK_SET) >= 0;
}

bool closeFile(intptr_t handle) {
    return ::close(static_cast<int>(handle)) == 0;
}

// Owner and group where the process may set them (root may set both, others
// only a group of their own); the set-id bits only with the owner kept.
bool setOwner(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group) == 0;
}

// The access ACL of the replaced file, where the file system keeps one; set
// after the mode, which it refines.
void keepAccessAcl(int fd, const std::string& from) {
#ifdef __linux__
    constexpr const char* AclName = "system.posix_acl_access";
    char acl[4096];
    const ssize_t size = ::getxattr(from.c_str(), AclName, acl, sizeof acl);
    if (size > 0) ::fsetxattr(fd, AclName, acl, static_cast<size_t>(size), 0);
#else
    (void)fd;
    (void)from;
#endif
}

void keepMetadata(intptr_t handle, const TargetFile& target) {
    if (!target.hasOwnership) return;
    const int fd = static_cast<int>(handle);
    const bool ownerKept = setOwner(fd, target.owner, target.group);
    if (!ownerKept) setOwner(fd, static_cast<uid_t>(-1), target.group);
    ::fchmod(fd, static_cast<mode_t>(target.mode & (ownerKept ? 07777 : 0777)));
    keepAccessAcl(fd, target.path);
}

// rename replaces an existing target in one step.
bool moveFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path) {
    ::unlink(path.c_str());
}

bool stagedNameFits(const std::string&, size_t nameLength, const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return static_cast<long>(nameLength) <= (limit > 0 ? limit : FallbackNameLimit);
}
#endif

// A name beside the target: the process number keeps runs apart, the count
// steps past names left by others. Where the target's name leaves no room
// for the suffix, a short name of the same folder serves.
std::string stagingName(const std::string& target, int attempt) {
    const std::string mark = std::to_string(processNumber()) + "-" + std::to_string(attempt);
    const size_t nameStart = finalNameStart(target);
    const std::string folder = target.substr(0, nameStart);
    const std::string beside = target + ".tmp" + mark;
    if (stagedNameFits(beside, beside.size() - nameStart, folder)) return beside;
    return folder + ShortStagingPrefix + mark;
}

// No slot in the table of staged names: the name is longer than a path,
// or more files are staged at once than the table holds.
std::error_code noStagedSlotFor(const std::string& name) {
    return std::make_error_code(name.size() >= StagedNameLimit ? std::errc::filename_too_long
                                                               : std::errc::too_many_files_open);
}
}  // namespace

void failStagedOutputAt(StagedStep step, int countdown) {
    armedStep = step;
    armedCountdown = countdown;
}

StagedStep armedStagedFailure() {
    return armedStep;
}

bool StagedOutput::open(const char* targetPath, WriteOrder order) {
    discard();
    reason.clear();
    if (targetPath == nullptr || *targetPath == 0)
        return failedBecause(std::make_error_code(std::errc::no_such_file_or_directory));
    target = probeTarget(targetPath);
    if (target.kind == TargetKind::Refused) return failedBecause(target.refusal);
    failed = false;
    if (seamFails(StagedStep::Open)) return failedBecause(InjectedFailure);
    return target.kind == TargetKind::InPlace ? openInPlace(order) : createStaged();
}

bool StagedOutput::createStaged() {
    for (int attempt = 0; attempt < MaxStagingTries; ++attempt) {
        bool nameTaken = false;
        const std::string name = stagingName(target.path, attempt);
        // Held before it exists: an interruption at any moment finds it.
        stagedSlot = holdStagedName(name);
        if (stagedSlot < 0) return failedBecause(noStagedSlotFor(name));
        handle = createExclusive(name, target, nameTaken);
        if (handle != NoHandle) {
            staging = name;
            return true;
        }
        const std::error_code notCreated = lastSystemError();
        releaseStagedName(stagedSlot);
        stagedSlot = -1;
        if (!nameTaken) return failedBecause(notCreated);
    }
    return failedBecause(std::make_error_code(std::errc::file_exists));
}

bool StagedOutput::openInPlace(WriteOrder order) {
    handle = openForWritingInPlace(target.path);
    inPlace = handle != NoHandle;
    holdsBytes = inPlace && order == WriteOrder::MayRewrite;
    return inPlace || failedBecause(lastSystemError());
}

bool StagedOutput::isOpen() const {
    return handle != NoHandle;
}

bool StagedOutput::writeAll(const uint8_t* bytes, size_t n) {
    if (handle == NoHandle || failed) return false;
    if (seamFails(StagedStep::Write)) return fail(InjectedFailure);
    while (n > 0) {
        size_t written = 0;
        if (!writeSome(handle, bytes, n, written)) return fail(lastSystemError());
        bytes += written;
        n -= written;
    }
    return true;
}

bool StagedOutput::write(const void* bytes, size_t n) {
    if (holdsBytes && !failed)
        return held.write(bytes, n) || fail(std::make_error_code(std::errc::not_enough_memory));
    return writeAll(static_cast<const uint8_t*>(bytes), n);
}

bool StagedOutput::rewrite(size_t offset, const void* bytes, size_t n) {
    if (handle == NoHandle || failed) return false;
    if (holdsBytes)
        return held.rewrite(offset, bytes, n) || fail(std::make_error_code(std::errc::invalid_argument));
    // Bytes that went out in order to a device or FIFO cannot be taken back.
    if (inPlace) return fail(std::make_error_code(std::errc::invalid_seek));
    if (!seekTo(handle, offset, false)) return fail(lastSystemError());
    const bool written = writeAll(static_cast<const uint8_t*>(bytes), n);
    return seekTo(handle, 0, true) && written;
}

// The held bytes go to the in-place target in one sequential write.
bool StagedOutput::writeHeld() {
    if (!holdsBytes) return true;
    holdsBytes = false;
    const bool written = writeAll(held.bytes.data(), held.bytes.size());
    held = MemoryOutput();
    return written;
}

bool StagedOutput::fail(std::error_code why) {
    failed = true;
    return failedBecause(why);
}

// The first failure is the one that counts: what follows it only unwinds.
bool StagedOutput::failedBecause(std::error_code why) {
    if (!reason) reason = why;
    return false;
}

bool StagedOutput::closeHandle() {
    if (handle == NoHandle) return true;
    const bool closed = closeFile(handle);
    handle = NoHandle;
    return closed;
}

bool StagedOutput::moveOverTarget() {
    if (inPlace) return true;
    if (seamFails(StagedStep::Move)) return failedBecause(InjectedFailure);
    if (!moveFile(staging, target.path)) return failedBecause(lastSystemError());
    releaseStagedName(stagedSlot);
    stagedSlot = -1;
    staging.clear();
    return true;
}

// A file not written whole is closed all the same, and never moved.
bool StagedOutput::closeAndMove(bool whole) {
    const std::error_code closing = closeHandle() ? std::error_code() : lastSystemError();
    if (!whole) return false;
    if (closing) return failedBecause(closing);
    if (seamFails(StagedStep::Close)) return failedBecause(InjectedFailure);
    return moveOverTarget();
}

bool StagedOutput::commit() {
    if (!isOpen()) {
        discard();
        return failedBecause(std::make_error_code(std::errc::bad_file_descriptor));
    }
    const bool whole = !failed && writeHeld();
    if (whole && !inPlace) keepMetadata(handle, target);
    if (closeAndMove(whole)) {
        inPlace = false;
        return true;
    }
    discard();
    return false;
}

void StagedOutput::discard() {
    closeHandle();
    if (!staging.empty()) removeFile(staging);
    releaseStagedName(stagedSlot);
    stagedSlot = -1;
    staging.clear();
    failed = false;
    inPlace = false;
    holdsBytes = false;
    held = MemoryOutput();
}
