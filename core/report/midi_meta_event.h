#pragma once
#include <cstdint>

#include "smf/big_endian.h"

// Describes one meta event (FF, type, variable-length length, data) as a kind
// label, a detail text and, for some types, a number.
//
// Meta events can be as long as their track, so only a bounded prefix is kept:
// enough for the 1023 text characters the detail field holds after the longest
// header, and more than the 255 bytes that are ever dumped in hexadecimal.
class MIDIMetaEvent {
public:
    static constexpr int DetailTextSize = 1024;
    static constexpr int KindTextSize = 64;
    static constexpr int MaxHeaderLength = 6;  // FF, type, up to four length bytes
    static constexpr int RawSize = MaxHeaderLength + DetailTextSize - 1;
    static constexpr int MaxDumpLength = 255;

    uint8_t raw[RawSize] = {};
    int32_t length = 0;  // bytes copied into raw; 0 when not a meta event
    char kindText[KindTextSize] = {};
    char detailText[DetailTextSize] = {};
    int32_t hasDetail = 0;
    int32_t hasNumber = 0;
    BigEndian converter;
    int32_t number = 0;

    // Empties the describer before reuse, cheaply: texts become empty strings.
    void clear();
    void describe(const uint8_t* bytes, int32_t count);
    void setUnknown();
    void setUnsupported();

private:
    // Filled by describe: the decoded length and where the data start in raw.
    uint32_t dataLength = 0;
    int32_t dataOffset = 0;

    bool decodeLength();
    bool hasData(uint32_t expected) const;
    void describeType(int type);
    void describeText(int type);
    void setNumber(const char* kind, int32_t value);
    void describeSequenceNumber();
    void describeByteNumber(const char* kind);
    void describeEndOfTrack();
    void describeTempo();
    void describeTimeSignature();
    void describeKeySignature();
};
