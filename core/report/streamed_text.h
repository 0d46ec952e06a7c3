#pragma once
#include <cstdint>
#include <memory>

class OutputSink;

// Text on its way to an output: gathered in a bounded buffer and handed on in
// large blocks as it is produced, so that no text is ever whole in memory. A
// library call per line would cost more than the formatting.
class StreamedText {
public:
    static constexpr int32_t Capacity = 256 * 1024;

    // sink may be null: the text is then dropped.
    explicit StreamedText(OutputSink* sink);
    StreamedText(const StreamedText&) = delete;
    StreamedText& operator=(const StreamedText&) = delete;
    ~StreamedText();

    // Room for n characters (at most Capacity) and a NUL at the end of what
    // is written; the text counts once taken.
    char* room(int32_t n);
    void take(int32_t n) { used += n; }
    void append(const void* bytes, int32_t n);
    // Hands everything written so far on; false once any handing on failed.
    bool flush();
    // Forgets what was not handed on.
    void drop() { used = 0; }

private:
    OutputSink* sink;
    std::unique_ptr<char[]> buffer;
    int32_t used = 0;
    bool failed = false;
};
