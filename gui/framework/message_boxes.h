#pragma once

// Plain message boxes without an owner window, caption "Notice!".
int showNotice(const char* text);
int showNoticef(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
