#pragma once
#include <cstddef>
#include <cstdint>

// Puts the fuzzer's bytes into inputFile as if they had been loaded from disk.
void loadFuzzInput(const uint8_t* data, size_t size);
// The file the analysis would run on, with its header accepted: 1 when it is.
int analyseFuzzInput(const uint8_t* data, size_t size);
