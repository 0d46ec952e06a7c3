#pragma once
#include <cstdint>

#include "smf/midi_format.h"

// What kind of message a meta or system exclusive event is, said once for
// every pass that asks (the conversion, the MIP measure, the fit check and
// the slimming). The analysis report keeps a classification of its own, in
// report/midi_meta_event.cpp: it names meta types 01 to 09 and marks 54 and
// 7F as not supported, the fixed texts of its lines.

enum class MetaKind {
    Other,
    // Text, copyright notice, track and instrument names, lyric, marker,
    // cue point (01 to 07): words for people, no sound.
    Text,
    // A sequencer maker's own data (7F): no sound either.
    SequencerSpecific,
};

MetaKind metaKind(uint8_t type);

// The type of a meta event of n bytes (FF, type, length, data); NotMeta for
// any other event and for one cut off before its type.
constexpr int32_t NotMeta = -1;
inline int32_t metaTypeOf(const uint8_t* event, int32_t n) {
    return n >= 2 && event[0] == StatusMeta ? event[1] : NotMeta;
}

enum class SysExKind {
    // An F7 packet: it continues a message, or sends bytes as they are.
    Packet,
    // An F0 message of one maker's devices.
    Makers,
    // Universal messages (first data byte 7E non-real time, 7F real time),
    // for the devices of every maker; the last three of any device ID.
    Universal,
    GmSystemOn,    // 7E .. 09 01 (GM) or 09 03 (GM2): the receiver resets every channel
    MasterVolume,  // 7F .. 04 01
    MipMessage,    // 7F .. 0B 01: SP-MIDI's maximum instantaneous polyphony
};

// The kind of an F0 or F7 event of n bytes (status first). An F0 event whose
// length is cut off is a maker's message.
SysExKind sysExKind(const uint8_t* event, int32_t n);

inline bool isUniversal(SysExKind kind) {
    return kind >= SysExKind::Universal;
}
