#include "report/report_lines.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "report/streamed_text.h"

namespace {
constexpr int PrintTextSize = 4096;
constexpr int32_t PrintTextLimit = PrintTextSize - 1;
constexpr int32_t LineEndLength = 2;
// Room for a text of PrintTextLimit characters that are all LF, and a line end.
constexpr int32_t ExpandedTextSize = PrintTextLimit * 2 + LineEndLength;

int32_t boundedLength(const char* text, int32_t limit) {
    int32_t n = 0;
    while (n < limit && text[n] != 0) ++n;
    return n;
}

// Copies n characters of text to out with every LF not preceded by CR (in
// text) turned into CR LF; out holds 2 * n. Runs between line ends are copied
// whole: report lines are long and mostly without LF. Returns the length written.
int32_t copyExpandingLineEnds(const char* text, int32_t n, char* out) {
    const char* from = text;
    const char* const stop = text + n;
    char* end = out;
    while (from < stop) {
        const auto* lineEnd =
            static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(stop - from)));
        const char* runEnd = lineEnd == nullptr ? stop : lineEnd;
        std::memcpy(end, from, static_cast<size_t>(runEnd - from));
        end += runEnd - from;
        if (lineEnd == nullptr) break;
        if (lineEnd == text || lineEnd[-1] != '\r') *end++ = '\r';
        *end++ = '\n';
        from = lineEnd + 1;
    }
    return static_cast<int32_t>(end - out);
}

int32_t printableLength(int32_t length) {
    if (length < 0) return 0;
    return length < PrintTextLimit ? length : PrintTextLimit;
}
}  // namespace

void ReportLines::print(const char* format, ...) {
    char text[PrintTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    printText(text);
}

void ReportLines::printText(const char* text) {
    printText(text, boundedLength(text, PrintTextLimit));
}

void ReportLines::printText(const char* text, int32_t length) {
    printExpanded(text, length, false);
}

void ReportLines::printLine(const char* text, int32_t length) {
    printExpanded(text, length, true);
}

// The text is expanded straight into the output's buffer, with room made
// first for the longest expansion.
void ReportLines::printExpanded(const char* text, int32_t length, bool endLine) {
    space = nullptr;
    const int32_t n = printableLength(length);
    char* const to = out.room(2 * n + LineEndLength);
    int32_t written = copyExpandingLineEnds(text, n, to);
    if (endLine) {
        to[written++] = '\r';
        to[written++] = '\n';
    }
    out.take(written);
}

char* ReportLines::lineSpace() {
    space = out.room(ExpandedTextSize);
    return space;
}

// Only lines that carry text bytes of the file hold LF: those are copied
// aside and expanded back into place.
void ReportLines::endLine(int32_t length) {
    if (space == nullptr) return;
    const int32_t n = printableLength(length);
    if (std::memchr(space, '\n', static_cast<size_t>(n)) == nullptr) return finishLine(n);
    char copy[PrintTextSize];
    std::memcpy(copy, space, static_cast<size_t>(n));
    finishLine(copyExpandingLineEnds(copy, n, space));
}

void ReportLines::endPlainLine(int32_t length) {
    if (space != nullptr) finishLine(printableLength(length));
}

// The line's expanded text of n characters is in the space: the line end follows it.
void ReportLines::finishLine(int32_t n) {
    space[n] = '\r';
    space[n + 1] = '\n';
    out.take(n + LineEndLength);
    space = nullptr;
}

void ReportLines::append(const void* bytes, int32_t n) {
    space = nullptr;
    out.append(bytes, n);
}
