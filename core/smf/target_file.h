#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

// What a path names, looked at before anything is written to it.
enum class TargetKind {
    Absent,   // no file yet: a new one is staged
    Regular,  // a file, or a link to one: staged beside the file and moved over it
    InPlace,  // a device, a FIFO or another file that is not a regular one: written into
    Refused,  // a folder, a dangling link, or an existing file that cannot be written
};

struct TargetFile {
    TargetKind kind = TargetKind::Absent;
    // Where the bytes go: the file a link finally points to, else the path as given.
    std::string path;
    // The permission bits, owner and group of a Regular target (POSIX only).
    bool hasOwnership = false;
    uint32_t mode = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
    // Why a Refused target cannot be written, as the system says it.
    std::error_code refusal;
};

// Where the final name of path begins: after its last folder separator.
size_t finalNameStart(const std::string& path);

// The reason the last failed system call of this thread gives: errno, or on
// Windows GetLastError.
std::error_code lastSystemError();

// Never blocks, whatever kind of file the path names: a FIFO is not opened.
TargetFile probeTarget(const char* path);

// What a path names to a reader, links followed.
enum class FileKind {
    Absent,   // nothing, or a dangling link
    Regular,  // a file
    Other,    // a folder, a device, a FIFO, ...
};

// Never blocks and never opens a FIFO or a device to read it.
FileKind kindOfFile(const std::string& path);

// True when both names reach one file under any spelling: the same existing
// file (device and inode; on Windows volume serial number and file index),
// or, for names that do not exist yet, the same final name in the same real
// folder. Names are compared as they will resolve: a dangling link is the
// name it finally points to (POSIX; Windows reads no link's target). Equal
// texts always count as one file.
bool namesSameFile(const std::string& a, const std::string& b);
