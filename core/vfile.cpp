#include "vfile.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

VFILE inputFile;
VFILE reportFile;

VFILE::~VFILE() {
    release();
}

int VFILE::copyPath(char* target, const char* filePath) {
    if (filePath == nullptr) return 0;
    const size_t n = std::strlen(filePath);
    if (n > MaxPathLength) return 0;
    std::memcpy(target, filePath, n + 1);
    return 1;
}

void VFILE::release() {
    if (isOpen && file != nullptr) std::fclose(file);
    file = nullptr;
    if (isLoaded) std::free(data);
    data = nullptr;
    isOpen = isLoaded = isModified = 0;
    size = capacity = position = 0;
}

int VFILE::load(const char* filePath) {
    release();
    if (filePath == nullptr || std::strlen(filePath) > MaxPathLength) return 0;
    file = std::fopen(filePath, "rb");
    if (file == nullptr) return 0;
    copyPath(path, filePath);
    isOpen = 1;

    const long start = std::ftell(file);
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    const long measured = end - start;
    if (start < 0 || end < 0 || measured < 0 || measured > INT32_MAX - 2) {
        std::fclose(file);
        file = nullptr;
        isOpen = 0;
        return 0;
    }
    data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(measured) + 2));
    if (data == nullptr) {
        std::fclose(file);
        file = nullptr;
        isOpen = 0;
        return 0;
    }
    size = capacity = static_cast<int32_t>(measured);
    isLoaded = 1;
    position = 0;
    const size_t got = std::fread(data, 1, static_cast<size_t>(size), file);
    // A file that shrank while being read holds only what could be read.
    size = static_cast<int32_t>(got);
    data[size] = 0;
    std::fclose(file);
    file = nullptr;
    isOpen = 0;
    return 1;
}

int VFILE::create(const char* filePath, int32_t newSize) {
    release();
    if (newSize < 0) return 0;
    if (!copyPath(path, filePath)) return 0;
    data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(newSize) + 2));
    if (data == nullptr) return 0;
    size = capacity = newSize;
    isLoaded = 1;
    position = 0;
    return 1;
}

int VFILE::resize(int32_t n) {
    if (!isLoaded) return 0;
    if (n == size) return 1;
    if (n < 0) {
        release();
        return 0;
    }
    if (n > capacity) {
        if (n > INT32_MAX - 2) {
            release();
            return 0;
        }
        auto* grown = static_cast<uint8_t*>(std::realloc(data, static_cast<size_t>(n) + 2));
        if (grown == nullptr) {
            release();
            return 0;
        }
        data = grown;
        capacity = n;
    }
    size = n;
    if (position > size) position = size;
    return 1;
}

int VFILE::reserve(int32_t n) {
    if (!isLoaded || n < 0) return 0;
    if (n <= capacity) return 1;
    int64_t target = static_cast<int64_t>(capacity) * 2;
    if (target < n) target = n;
    if (target > INT32_MAX - 2) target = INT32_MAX - 2;
    if (target < n) return 0;
    auto* grown = static_cast<uint8_t*>(std::realloc(data, static_cast<size_t>(target) + 2));
    if (grown == nullptr) return 0;
    data = grown;
    capacity = static_cast<int32_t>(target);
    return 1;
}

int VFILE::read(void* destination, int32_t n) {
    if (!isLoaded || n <= 0) return 0;
    if (n > size - position) n = size - position;
    std::memcpy(destination, data + position, static_cast<size_t>(n));
    position += n;
    return n;
}

int VFILE::write(const void* source, int32_t n) {
    if (!isLoaded || n < 0) return 0;
    if (n > INT32_MAX - position) return 0;
    if (position + n > size && !resize(position + n)) return 0;
    std::memcpy(data + position, source, static_cast<size_t>(n));
    position += n;
    isModified = 1;
    return n;
}

namespace {
constexpr int PrintTextSize = 4096;
constexpr int32_t PrintTextLimit = PrintTextSize - 1;
constexpr int32_t LineEndLength = 2;
// Room for a text of PrintTextLimit characters that are all LF, and a line end.
constexpr int ExpandedTextSize = PrintTextLimit * 2 + LineEndLength;
// lineSpace's room: the longest expanded line, whose text and NUL it first holds.
constexpr int32_t LineSpaceSize = ExpandedTextSize;

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

// The expansion of n characters of text, then CR LF if endLine; out holds 2 * n + 2.
int32_t expandText(const char* text, int32_t n, bool endLine, char* out) {
    int32_t written = copyExpandingLineEnds(text, n, out);
    if (endLine) {
        out[written++] = '\r';
        out[written++] = '\n';
    }
    return written;
}

int32_t printableLength(int32_t length) {
    if (length < 0) return 0;
    return length < PrintTextLimit ? length : PrintTextLimit;
}
}  // namespace

void VFILE::print(const char* format, ...) {
    char text[PrintTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    printText(text);
}

void VFILE::printText(const char* text) {
    printText(text, boundedLength(text, PrintTextLimit));
}

void VFILE::printText(const char* text, int32_t length) {
    printExpanded(text, length, false);
}

void VFILE::printLine(const char* text, int32_t length) {
    printExpanded(text, length, true);
}

// The text is expanded straight into the buffer, with room made first for the
// longest expansion; only when that room cannot be had does it go through a
// scratch copy, for which the buffer grows by no more than that copy needs.
void VFILE::printExpanded(const char* text, int32_t length, bool endLine) {
    if (!isLoaded) return;
    const int32_t n = printableLength(length);
    const int32_t longest = 2 * n + LineEndLength;
    if (longest <= INT32_MAX - position && reserve(position + longest)) {
        advance(expandText(text, n, endLine, reinterpret_cast<char*>(data) + position));
        return;
    }
    char expanded[ExpandedTextSize];
    append(expanded, expandText(text, n, endLine, expanded));
}

char* VFILE::lineSpace() {
    if (!isLoaded || LineSpaceSize > INT32_MAX - position || !reserve(position + LineSpaceSize))
        return nullptr;
    return reinterpret_cast<char*>(data) + position;
}

void VFILE::endLine(int32_t length) {
    if (!hasLineSpace()) return;
    const int32_t n = printableLength(length);
    const char* const text = reinterpret_cast<char*>(data) + position;
    finishLine(std::memchr(text, '\n', static_cast<size_t>(n)) == nullptr ? n : expandInPlace(n));
}

void VFILE::endPlainLine(int32_t length) {
    if (hasLineSpace()) finishLine(printableLength(length));
}

// What lineSpace made room for is still there: a line can be ended in place.
bool VFILE::hasLineSpace() const {
    return isLoaded && capacity - position >= LineSpaceSize;
}

// The line's expanded text of n characters is at position: the line end follows it.
void VFILE::finishLine(int32_t n) {
    char* const text = reinterpret_cast<char*>(data) + position;
    text[n] = '\r';
    text[n + 1] = '\n';
    advance(n + LineEndLength);
}

// Only lines that carry text bytes of the file hold LF: those are copied aside
// and expanded back into place.
int32_t VFILE::expandInPlace(int32_t length) {
    char copy[PrintTextSize];
    char* const text = reinterpret_cast<char*>(data) + position;
    std::memcpy(copy, text, static_cast<size_t>(length));
    return copyExpandingLineEnds(copy, length, text);
}

void VFILE::advance(int32_t written) {
    position += written;
    if (position > size) size = position;
    isModified = 1;
}

int VFILE::append(const void* source, int32_t n) {
    if (!isLoaded) return 0;
    if (n > 0 && n <= INT32_MAX - position && n > capacity - position) reserve(position + n);
    return write(source, n);
}

void VFILE::expandLineEnds(char* text) {
    const size_t n = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (copy == nullptr) return;
    std::memcpy(copy, text, n + 1);
    text[copyExpandingLineEnds(copy, static_cast<int32_t>(n), text)] = 0;
    std::free(copy);
}

int VFILE::flush() {
    if (!isLoaded || !isModified) return 0;
    isModified = 0;
    return saveAs(path);
}

int VFILE::saveAs(const char* filePath) const {
    if (!isLoaded || filePath == nullptr) return 0;
    FILE* out = std::fopen(filePath, "wb");
    if (out == nullptr) return 0;
    const size_t written = std::fwrite(data, 1, static_cast<size_t>(size), out);
    const int closed = std::fclose(out);
    return written == static_cast<size_t>(size) && closed == 0 ? 1 : 0;
}

void VFILE::rewind() {
    if (isLoaded) position = 0;
}

void VFILE::truncate() {
    if (!isLoaded) return;
    size = position;
    data[position] = 0;
}
