#include "output_sink.h"

#include <cstring>

bool MemoryOutput::write(const void* from, size_t n) {
    const auto* first = static_cast<const uint8_t*>(from);
    bytes.insert(bytes.end(), first, first + n);
    return true;
}

bool MemoryOutput::rewrite(size_t offset, const void* from, size_t n) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    if (n > 0) std::memcpy(bytes.data() + offset, from, n);
    return true;
}
