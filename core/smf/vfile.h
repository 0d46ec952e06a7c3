#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// A whole file held in memory with one read/write position: the source MIDI
// file lives in one of these, so it is touched on disk only while loading.
// Saving goes through a staged output, so a failed save leaves the file as it was.
class VFILE {
public:
    static constexpr int MaxPathLength = 255;

    FILE* file = nullptr;
    char path[MaxPathLength + 1] = {};
    uint8_t* data = nullptr;
    int32_t isOpen = 0;
    int32_t isLoaded = 0;
    int32_t isModified = 0;
    int32_t isView = 0;
    int32_t size = 0;
    int32_t capacity = 0;
    int32_t position = 0;

    VFILE() = default;
    VFILE(const VFILE&) = delete;
    VFILE& operator=(const VFILE&) = delete;
    ~VFILE();

    // 1 when the whole file is held; 0 when it cannot be, and errno says why.
    int load(const char* filePath);
    int create(const char* filePath, int32_t newSize);
    // Reads the bytes other holds, with a position of its own, while other
    // stays loaded and unchanged; a view is never written, resized or freed.
    int view(const VFILE& other);
    // The same over bytes held elsewhere (a file made in memory); 0 when
    // there are more than a VFILE holds.
    int view(const uint8_t* bytes, size_t n);
    int resize(int32_t newSize);
    int read(void* destination, int32_t n);
    int write(const void* source, int32_t n);
    // As write, but the buffer grows geometrically (see reserve).
    int append(const void* source, int32_t n);
    // Saves to path when modified since the last flush.
    int flush();
    int saveAs(const char* filePath) const;
    void rewind();
    void truncate();
    void release();
    // Exchanges everything the two hold: a file loaded aside and found good
    // takes the place of the one in use, which is then freed with the other.
    void swap(VFILE& other) noexcept;

    // Makes room for at least n bytes, growing the buffer geometrically so that
    // text appended piece by piece is not copied over and over. `size` stays.
    int reserve(int32_t n);

private:
    static int copyPath(char* target, const char* filePath);
    // Ends a failed load: the stream closed, errno set to reason; returns 0.
    int abandonLoad(int reason);
};

extern VFILE inputFile;
