#pragma once
#include <cstddef>

// Copies source into a fixed-size buffer: at most targetSize - 1 characters,
// always terminated. A null source counts as the empty text.
void copyText(char* target, std::size_t targetSize, const char* source);

template <std::size_t N>
void copyText(char (&target)[N], const char* source) {
    copyText(target, N, source);
}
