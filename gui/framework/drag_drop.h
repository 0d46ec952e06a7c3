#pragma once
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

constexpr int DropNameCapacity = 256;
constexpr int DropNameSize = 256;

// A heap copy of a text; length 0 when the copy could not be made.
class tempString {
public:
    explicit tempString(const char* source);
    tempString(const tempString&) = delete;
    tempString& operator=(const tempString&) = delete;
    ~tempString();

    char* text = nullptr;
    int length = 0;
};

// The names of the files of one drop, in drop order (the first 256). The
// drop is finished by the constructor.
class DragDrop {
public:
    explicit DragDrop(HDROP dropHandle);
    DragDrop(const DragDrop&) = delete;
    DragDrop& operator=(const DragDrop&) = delete;
    ~DragDrop();

    // Whether the current name ends with pattern, letters in any case; a
    // pattern beginning with "*" fits every name at least as long.
    bool endsWith(const char* pattern) const;
    // The first name that ends with pattern (left in currentName), or null.
    const char* findEndingWith(const char* pattern);

    tempString* names[DropNameCapacity] = {};
    char currentName[DropNameSize] = {};
    int count = 0;
    HDROP drop;
};
