#include "text_copy.h"

void copyText(char* target, std::size_t targetSize, const char* source) {
    if (target == nullptr || targetSize == 0) return;
    std::size_t n = 0;
    if (source != nullptr) {
        while (n + 1 < targetSize && source[n] != '\0') {
            target[n] = source[n];
            ++n;
        }
    }
    target[n] = '\0';
}
