#pragma once
#include <cstddef>
#include <string>

// The staged files of this process, kept in a fixed table that a signal
// handler (on Windows, the console control handler's thread) can read: when
// SIGINT, SIGTERM, SIGHUP or SIGPIPE arrives, or the console is interrupted
// or closed, every staged file is removed and the process then ends as that
// event would have ended it. SIGKILL cannot be caught.

// The names a slot holds are shorter than this.
constexpr size_t StagedNameLimit = 4096;

// Claims a slot for a name about to be created exclusively; the first call
// installs the handlers. -1 when the table is full or the name does not fit
// a slot: such a file is not created at all.
int holdStagedName(const std::string& path);
// Forgets the slot's name once its file has been moved or removed.
void releaseStagedName(int slot);
