#include "report/streamed_text.h"

#include <cstring>

#include "smf/output_sink.h"

StreamedText::StreamedText(OutputSink* target) : sink(target), buffer(new char[Capacity + 1]) {}

StreamedText::~StreamedText() = default;

char* StreamedText::room(int32_t n) {
    if (n > Capacity - used) flush();
    return buffer.get() + used;
}

void StreamedText::append(const void* bytes, int32_t n) {
    if (n <= 0) return;
    if (n <= Capacity) {
        std::memcpy(room(n), bytes, static_cast<size_t>(n));
        take(n);
        return;
    }
    flush();
    if (sink != nullptr && !sink->write(bytes, static_cast<size_t>(n))) failed = true;
}

bool StreamedText::flush() {
    if (used > 0 && sink != nullptr && !sink->write(buffer.get(), static_cast<size_t>(used))) failed = true;
    used = 0;
    return !failed;
}
