#pragma once
#include <cstddef>
#include <string>

enum class SmallFileRead {
    Read,
    NotOpened,  // absent, unreadable, or no regular file (a link to one is)
    TooLarge,   // more than the limit
};

// Reads the regular file at path whole into text when it holds at most limit
// bytes. Never blocks: a FIFO or a device is refused before it is opened,
// and once more if one took the file's place in the meantime. At most
// limit + 1 bytes are read, however large the file.
SmallFileRead readSmallFile(const std::string& path, size_t limit, std::string& text);
