#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Where a writer puts its bytes: a staged file, or memory for a caller that
// needs the bytes before anything reaches the disk.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    // Appends n bytes; false when they could not all be written.
    virtual bool write(const void* bytes, size_t n) = 0;
    // Writes n bytes over what was written at offset, which lies inside what
    // was written so far (a header completed at the end).
    virtual bool rewrite(size_t offset, const void* bytes, size_t n) = 0;
};

// Keeps everything in memory. A write that finds no memory fails and is
// remembered, so a caller can tell it from a failed conversion.
class MemoryOutput : public OutputSink {
public:
    std::vector<uint8_t> bytes;
    bool outOfMemory = false;

    // Room for n bytes in all, made at once; false when there is none.
    bool reserve(size_t n);
    bool write(const void* from, size_t n) override;
    bool rewrite(size_t offset, const void* from, size_t n) override;
};
