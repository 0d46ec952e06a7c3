#pragma once
#include <cstdint>
#include <cstdio>

// A whole file held in memory with one read/write position. The source MIDI
// file and the report being built both live in one of these, so disk files are
// touched only while loading or saving.
class VFILE {
public:
    static constexpr int MaxPathLength = 255;

    FILE* file = nullptr;
    char path[MaxPathLength + 1] = {};
    uint8_t* data = nullptr;
    int32_t isOpen = 0;
    int32_t isLoaded = 0;
    int32_t isModified = 0;
    int32_t size = 0;
    int32_t capacity = 0;
    int32_t position = 0;

    VFILE() = default;
    VFILE(const VFILE&) = delete;
    VFILE& operator=(const VFILE&) = delete;
    ~VFILE();

    int load(const char* filePath);
    int create(const char* filePath, int32_t newSize);
    int resize(int32_t newSize);
    int read(void* destination, int32_t n);
    int write(const void* source, int32_t n);
    void print(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // As print, for a text already formatted (at most 4095 characters are taken).
    void printText(const char* text);
    // As printText, for a text of known length without NUL characters.
    void printText(const char* text, int32_t length);
    // As printText and then printText("\n"): the text and a CR LF line end.
    void printLine(const char* text, int32_t length);
    // A line can also be built in place: lineSpace gives room at position for
    // a text of up to 4095 characters and its NUL (null when the buffer cannot
    // grow so far), and endLine then takes the first length characters written
    // there as printLine takes its text.
    char* lineSpace();
    void endLine(int32_t length);
    // As endLine, for a text known to hold no LF (nothing to expand).
    void endPlainLine(int32_t length);
    static void expandLineEnds(char* text);
    // As write, but the buffer grows geometrically (see reserve).
    int append(const void* source, int32_t n);
    int flush();
    int saveAs(const char* filePath) const;
    void rewind();
    void truncate();
    void release();

    // Makes room for at least n bytes, growing the buffer geometrically so that
    // text appended piece by piece is not copied over and over. `size` stays.
    int reserve(int32_t n);

private:
    static int copyPath(char* target, const char* filePath);
    void printExpanded(const char* text, int32_t length, bool endLine);
    bool hasLineSpace() const;
    int32_t expandInPlace(int32_t length);
    void finishLine(int32_t n);
    // Takes written bytes put at position straight into the buffer as written.
    void advance(int32_t written);
};

extern VFILE inputFile;
extern VFILE reportFile;
