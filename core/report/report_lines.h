#pragma once
#include <cstdint>

class StreamedText;

// The report's line writer: every LF of a text not already preceded by CR
// becomes CR LF, lines end in CR LF, and a text is taken up to 4095
// characters at once. Writes into a streamed text.
class ReportLines {
public:
    explicit ReportLines(StreamedText& output) : out(output) {}

    void print(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // As print, for a text already formatted.
    void printText(const char* text);
    // As printText, for a text of known length without NUL characters.
    void printText(const char* text, int32_t length);
    // As printText and then printText("\n"): the text and a CR LF line end.
    void printLine(const char* text, int32_t length);
    // A line can also be built in place: lineSpace gives room for a text of
    // up to 4095 characters and its NUL, and endLine then takes the first
    // length characters written there as printLine takes its text.
    char* lineSpace();
    void endLine(int32_t length);
    // As endLine, for a text known to hold no LF (nothing to expand).
    void endPlainLine(int32_t length);
    // Bytes taken as they are.
    void append(const void* bytes, int32_t n);

private:
    StreamedText& out;
    char* space = nullptr;  // what lineSpace gave, until the line is ended

    void printExpanded(const char* text, int32_t length, bool endLine);
    void finishLine(int32_t n);
};
