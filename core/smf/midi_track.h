#pragma once
#include <cstdint>

#include "smf/delta_time.h"

class OutputSink;

// Builds one output track chunk in memory, event by event, with optional
// running status; the chunk header is current after every append.
class MIDITrack {
public:
    uint8_t* data = nullptr;
    int32_t requested = 0;
    int32_t capacity = 0;
    int32_t length = 0;
    int32_t overflow = 0;
    int32_t valid = 0;
    int32_t lastStatus = 0;
    int32_t runningStatusMode = 0;

    MIDITrack() = default;
    MIDITrack(const MIDITrack&) = delete;
    MIDITrack& operator=(const MIDITrack&) = delete;
    ~MIDITrack();

    int init(int32_t size);
    // Inline: the conversion appends every event, nearly always with room.
    int append(int32_t delta, uint8_t* event, int32_t n) {
        overflow = 0;
        if (valid && n >= 0 && n <= capacity - length - DeltaTime::MaxBytes)
            return appendWithRoom(delta, event, n);
        return appendByteByByte(delta, event, n);
    }
    // The chunk to sink (1), or 0 without a chunk or a sink or when writing fails.
    int writeTo(OutputSink* sink) const;
    int put(uint8_t b);
    int statusSkip(uint8_t* event);
    void updateLength();
    // Frees the buffer; the object is as new, apart from runningStatusMode.
    void release();

private:
    int appendByteByByte(int32_t delta, uint8_t* event, int32_t n);
    int appendWithRoom(int32_t delta, uint8_t* event, int32_t n);
    static uint8_t* copyEventBytes(uint8_t* to, const uint8_t* from, int32_t count);
};
