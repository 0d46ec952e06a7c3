#pragma once
#include <cstdint>

class MTrk;

// An End of Track meta event of any length: a handset stops reading its
// track there, whatever the length says and whatever follows.
bool endsTrackOnAHandset(const uint8_t* event, int32_t length);

// A system common or real-time status (F1 to FE, but F7 and FF) that a
// handset reads with another number of data bytes than the track reader,
// which gives each one: Song Position (F2) has two, F4 to F6 and the
// real-time statuses none. The two then read what follows in its track apart.
bool readsAtAnotherLength(uint8_t status);

// Follows one track as a handset's synthesizer reads it, where that differs
// from the track reader: it takes every byte of 80 or more as a status, in a
// channel message's data and inside SysEx events, starts each track without
// running status, reads an F7 packet's data bytes under the running status
// it holds, and ends a variable-length quantity only at a byte below 80.
// Fed every played event of the track in turn.
class HandsetReading {
public:
    void beginTrack() { *this = HandsetReading(); }
    void read(const MTrk& reader);
    // False once the handset read an event otherwise than the reader did.
    bool readsAlike() const { return alike; }

private:
    uint8_t runningStatus = 0;
    // A SysEx event left a channel message part-way through its data bytes.
    bool partMessage = false;
    bool alike = true;

    void readChannelMessage(const MTrk& reader);
    void readSysEx(const MTrk& reader);
    void takeStatusBytes(const uint8_t* data, int32_t length);
};
