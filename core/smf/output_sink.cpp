#include "smf/output_sink.h"

#include <cstring>
#include <exception>

bool MemoryOutput::reserve(size_t n) {
    try {
        bytes.reserve(n);
        return true;
    } catch (const std::exception&) {  // bad_alloc, or length_error past what a vector holds
        return false;
    }
}

bool MemoryOutput::write(const void* from, size_t n) {
    const auto* first = static_cast<const uint8_t*>(from);
    try {
        bytes.insert(bytes.end(), first, first + n);
        return true;
    } catch (const std::exception&) {
        outOfMemory = true;
        return false;
    }
}

bool MemoryOutput::rewrite(size_t offset, const void* from, size_t n) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    if (n > 0) std::memcpy(bytes.data() + offset, from, n);
    return true;
}
