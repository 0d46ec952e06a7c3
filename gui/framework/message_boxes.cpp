#include "message_boxes.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {
constexpr int NoticeTextSize = 4096;
}

int showNotice(const char* text) {
    MessageBoxA(nullptr, text, "Notice!", MB_OK);
    return 1;
}

int showNoticef(const char* format, ...) {
    char text[NoticeTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return showNotice(text);
}
