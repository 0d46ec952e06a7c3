#include "smf/vfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "smf/staged_output.h"

VFILE inputFile;

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
    if (isLoaded && !isView) std::free(data);
    data = nullptr;
    isOpen = isLoaded = isModified = isView = 0;
    size = capacity = position = 0;
}

int VFILE::abandonLoad(int reason) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    isOpen = 0;
    errno = reason;
    return 0;
}

void VFILE::swap(VFILE& other) noexcept {
    std::swap(file, other.file);
    std::swap(path, other.path);
    std::swap(data, other.data);
    std::swap(isOpen, other.isOpen);
    std::swap(isLoaded, other.isLoaded);
    std::swap(isModified, other.isModified);
    std::swap(isView, other.isView);
    std::swap(size, other.size);
    std::swap(capacity, other.capacity);
    std::swap(position, other.position);
}

int VFILE::load(const char* filePath) {
    release();
    if (filePath == nullptr || std::strlen(filePath) > MaxPathLength) return abandonLoad(ENAMETOOLONG);
    file = std::fopen(filePath, "rb");
    if (file == nullptr) return abandonLoad(errno);
    copyPath(path, filePath);
    isOpen = 1;

    const long start = std::ftell(file);
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (start < 0 || end < 0) return abandonLoad(errno);
    std::fseek(file, 0, SEEK_SET);
    const long measured = end - start;
    if (measured < 0 || measured > INT32_MAX - 2) return abandonLoad(EFBIG);
    data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(measured) + 2));
    if (data == nullptr) return abandonLoad(ENOMEM);
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

int VFILE::view(const VFILE& other) {
    release();
    if (!other.isLoaded) return 0;
    return view(other.data, static_cast<size_t>(other.size));
}

int VFILE::view(const uint8_t* bytes, size_t n) {
    release();
    if (n > static_cast<size_t>(INT32_MAX - 2)) return 0;
    // Never written through: every writing operation refuses a view.
    data = const_cast<uint8_t*>(bytes);
    size = capacity = static_cast<int32_t>(n);
    isLoaded = isView = 1;
    return 1;
}

int VFILE::resize(int32_t n) {
    if (!isLoaded || isView) return 0;
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
    if (!isLoaded || isView || n < 0) return 0;
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
    if (n == 0) return 0;
    std::memcpy(destination, data + position, static_cast<size_t>(n));
    position += n;
    return n;
}

int VFILE::write(const void* source, int32_t n) {
    if (!isLoaded || isView || n < 0) return 0;
    if (n > INT32_MAX - position) return 0;
    if (position + n > size && !resize(position + n)) return 0;
    std::memcpy(data + position, source, static_cast<size_t>(n));
    position += n;
    isModified = 1;
    return n;
}

int VFILE::append(const void* source, int32_t n) {
    if (!isLoaded) return 0;
    if (n > 0 && n <= INT32_MAX - position && n > capacity - position) reserve(position + n);
    return write(source, n);
}

int VFILE::flush() {
    if (!isLoaded || !isModified) return 0;
    isModified = 0;
    return saveAs(path);
}

int VFILE::saveAs(const char* filePath) const {
    if (!isLoaded || filePath == nullptr) return 0;
    StagedOutput out;
    if (!out.open(filePath, WriteOrder::Sequential) || !out.write(data, static_cast<size_t>(size))) return 0;
    return out.commit() ? 1 : 0;
}

void VFILE::rewind() {
    if (isLoaded) position = 0;
}

void VFILE::truncate() {
    if (!isLoaded || isView) return;
    size = position;
    data[position] = 0;
}
