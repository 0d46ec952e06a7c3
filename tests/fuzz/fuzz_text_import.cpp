// The event text import over arbitrary text.
#include <cstdio>

#include "event_text_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* text = std::fopen("fuzz.txt", "wb");
    if (text == nullptr) return 0;
    std::fwrite(data, 1, size, text);
    std::fclose(text);
    importEventText("fuzz.txt", "fuzz-import.mid");
    return 0;
}
