#include "drag_drop.h"

#include <cstring>
#include <new>

#include "text_copy.h"

namespace {
// Codes 97..127 compare as if 32 lower: lower-case letters match upper case.
int foldedCode(char c) {
    const int code = static_cast<unsigned char>(c);
    return (code >= 97 && code <= 127) ? code - 32 : code;
}

constexpr UINT QueryFileCount = 0xFFFFFFFF;
constexpr UINT DropNameLimit = 255;
}  // namespace

tempString::tempString(const char* source) {
    const std::size_t size = std::strlen(source) + 1;
    text = new (std::nothrow) char[size];
    if (text == nullptr) return;
    std::memcpy(text, source, size);
    length = static_cast<int>(size - 1);
}

tempString::~tempString() {
    delete[] text;
}

DragDrop::DragDrop(HDROP dropHandle) : drop(dropHandle) {
    const UINT dropped = DragQueryFileA(drop, QueryFileCount, nullptr, 0);
    count = dropped < static_cast<UINT>(DropNameCapacity) ? static_cast<int>(dropped) : DropNameCapacity;
    for (int i = 0; i < count; ++i) {
        currentName[0] = '\0';
        DragQueryFileA(drop, static_cast<UINT>(i), currentName, DropNameLimit);
        names[i] = new tempString(currentName);
    }
    DragFinish(drop);
}

DragDrop::~DragDrop() {
    for (int i = 0; i < count; ++i) delete names[i];
}

bool DragDrop::endsWith(const char* pattern) const {
    const std::size_t n = pattern != nullptr ? std::strlen(pattern) : 0;
    const std::size_t m = std::strlen(currentName);
    if (n == 0 || m < n) return false;
    if (pattern[0] == '*') return true;
    const char* tail = currentName + (m - n);
    for (std::size_t i = 0; i < n; ++i)
        if (foldedCode(tail[i]) != foldedCode(pattern[i])) return false;
    return true;
}

const char* DragDrop::findEndingWith(const char* pattern) {
    for (int i = 0; i < count; ++i) {
        if (names[i]->text == nullptr) continue;
        copyText(currentName, names[i]->text);
        if (endsWith(pattern)) return currentName;
    }
    return nullptr;
}
