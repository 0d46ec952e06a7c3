#pragma once
#include <cstdint>

#include "smf/delta_time.h"

class VFILE;

enum EventKind : int32_t {
    EVENT_META = 1,
    EVENT_SYSEX = 2,
    EVENT_CHANNEL = 3,
    EVENT_NO_STATUS = 4,
};

extern const uint8_t PATTERN_TIMESIG_1_4[5];
extern const uint8_t PATTERN_TIMESIG_4_4[5];
extern const uint8_t PATTERN_END_OF_TRACK[3];
extern const uint8_t PATTERN_TEMPO[3];

// Track reader: loads one "MTrk" chunk at a time from a loaded VFILE and decodes
// its events with running status resolved, status byte first.
//
// Meta and SysEx lengths are variable-length quantities, so an event can be as
// long as the track body. The current event is therefore not copied to a
// caller's fixed buffer: `event` points at its bytes (inside the body, or at
// `builtEvent` when running status supplied the status byte) and stays valid
// until the next nextEvent or load. Callers may change the bytes in place.
class MTrk {
public:
    char chunkId[32] = {};
    int32_t length = 0;
    uint8_t* data = nullptr;
    int32_t allocated = 0;
    int32_t delta = 0;
    int32_t position = 0;
    DeltaTime deltaTime;
    int32_t runningStatus = 0;
    int32_t kind = 0;
    int32_t isNote = 0;
    uint8_t* event = builtEvent;
    int32_t eventLength = 0;
    uint8_t builtEvent[4] = {};

    MTrk() = default;
    MTrk(const MTrk&) = delete;
    MTrk& operator=(const MTrk&) = delete;
    ~MTrk();

    // Every pass over a file calls this first, so running status never leaks
    // from an earlier pass (or an earlier file) into this one.
    void beginPass() { runningStatus = 0; }

    // Takes 8 chunk-header bytes. `available` is how many body bytes the source
    // still holds: a longer announced length is cut to it, so no allocation is
    // ever sized from a length the file does not have.
    int parseChunkHeader(const uint8_t* bytes, int32_t available);
    int readChunkHeader(VFILE& file);
    int readChunkBody(VFILE& file);
    int load(VFILE& file);
    int nextEvent();
    int matches(const uint8_t* pattern, int32_t n) const;

private:
    void freeBody();
};

extern MTrk trackReader;
