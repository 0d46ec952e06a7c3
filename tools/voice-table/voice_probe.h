#pragma once
#include <cstdint>
#include <vector>

#include "playing/voice_release_table.h"

// Small probe tunes for the handset synthesizer and what they show of its
// voices. A probe places every event in a render buffer of its own choosing:
// its clock is one millisecond a tick (division 1000 at 1,000,000
// microseconds a quarter note), which the synthesizer converts exactly.

struct ProbeEvent {
    int32_t buffer;
    std::vector<uint8_t> bytes;  // status first; a SysEx as F0 and its body
};

// A format 0 file of the events (stable in time order) that ends in endBuffer.
std::vector<uint8_t> probeTune(std::vector<ProbeEvent> events, int32_t endBuffer);

std::vector<uint8_t> noteOn(int channel, int key, int velocity);
std::vector<uint8_t> noteOff(int channel, int key);
std::vector<uint8_t> controlChange(int channel, int controller, int value);
std::vector<uint8_t> programChange(int channel, int program);

// The events at buffer 0 that make channel play sound.
std::vector<ProbeEvent> selectSound(int channel, ChannelSound sound);

// The PCM of the first buffers of the tune at the polyphony (shorter when the
// tune stops sooner); empty when the synthesizer refuses it.
std::vector<int16_t> renderBuffers(const std::vector<uint8_t>& tune, int polyphony, int32_t buffers);
// The buffers rendered until the tune stopped: the end of its last event, or
// later, when the last of its voices is free.
int32_t buffersUntilStopped(const std::vector<uint8_t>& tune, int32_t maxBuffers);
bool samePcm(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

// The channel a probe plays the sound under test on.
int probeChannel(ChannelSound sound);

// Released heldBuffers after its note-on, a note of key frees its voice this
// many buffers after the buffer of its release (at least 1: the buffer of the
// release itself). The end of the tune is its release, and the tune stops
// when its voices are free, so one render tells.
int32_t releaseBuffers(ChannelSound sound, int key, int32_t heldBuffers);

// Whether a note of key, held since its note-on, still has its voice after
// buffers buffers. A channel plays a key with two voices at most, and a third
// note-on of the key takes the voice of the oldest: an older held note of the
// key that sounds loud is cut then only when the note still has its voice,
// whether it is heard or not.
bool holdsVoice(ChannelSound sound, int key, int32_t buffers);
// The keys holdsVoice can tell: those the older loud note has a voice for.
bool holdsVoiceCanTell(int key);

// The longest that natural lengths are searched: a held note that has its
// voice after this is taken as one that never frees it.
constexpr int32_t NaturalSearchBuffers = 3445;  // 20 s

// The last buffer, counted from its note-on, in which a loud held note of key
// is heard; -1 when never, NaturalSearchBuffers when still at the search's end.
int32_t lastAudibleBuffer(ChannelSound sound, int key);
// The buffers from a held note's note-on to the first buffer that finds its
// voice free, or NoNaturalEnd; lastAudible from lastAudibleBuffer.
int32_t naturalBuffersAfter(ChannelSound sound, int key, int32_t lastAudible);

// The smallest polyphony (up to maxPolyphony) at which a lone note of key
// renders as at 64 voices; 0 when none does.
int32_t voicesOfLoneNote(ChannelSound sound, int key, int32_t maxPolyphony);
