#include "base/help_words.h"

#include <cstring>

bool isHelpWord(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
           std::strcmp(argument, "-?") == 0;
}
