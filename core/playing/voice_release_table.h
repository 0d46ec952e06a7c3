#pragma once
#include <cstdint>

// What a note costs in voices on the handset synthesizer, measured from the
// synthesizer itself (tools/voice-table writes the data; docs/voice-model.md
// says how). The synthesizer starts and frees voices only at the start of a
// render buffer, so every time here is a count of its buffers.

// The synthesizer's render buffer: 128 frames at 22,050 Hz. It counts the
// buffer as 1486/256 ms (5.8047 ms) and processes an event of millisecond m
// at the start of the last buffer b with floor(b * 1486 / 256) <= m.
constexpr int32_t VoiceBufferFrames = 128;
constexpr int32_t VoiceSampleRate = 22050;
constexpr int32_t VoiceBufferQ8Milliseconds = 1486;
// The buffer that processes an event at milliseconds >= 0 of the synthesizer's clock.
int64_t voiceBufferAt(int64_t milliseconds);
// The first millisecond whose events a buffer >= 0 processes.
int64_t voiceBufferStart(int64_t buffer);

// A channel plays one of the 128 melodic programs or the drum kit (only one
// kit: every program on a drum channel plays it). Channel 9 starts as the drum
// channel, every other channel as melodic; every melodic bank plays the same
// 128 programs.
struct ChannelSound {
    bool drums;
    uint8_t program;  // 0..127, 0 on a drum channel
    bool operator==(const ChannelSound& other) const {
        return drums == other.drums && program == other.program;
    }
};
ChannelSound channelSoundAtStart(int channel);
// The sound after a program change under the channel's last bank select
// MSB: 0x78 makes the channel a drum channel, 0x79 a melodic one, any other
// value keeps what it was. A bank select alone changes nothing.
ChannelSound soundAfterProgramChange(ChannelSound current, int bankMsb, int program);

// A channel plays a key with at most this many voices: a further note-on of
// the key takes the voice of the oldest of them, even with voices free.
constexpr int32_t SameKeyVoiceLimit = 2;

// The bands of time held, from a note-on to its release (note-off, or the
// release of the sustain pedal when later), in buffers: band i holds the
// held times from HeldBandStarts[i] up to the next start.
constexpr int32_t HeldBandCount = 27;
constexpr int32_t HeldBandStarts[HeldBandCount] = {0,   1,   2,   3,    4,    6,    8,    12,   17,
                                                   26,  34,  52,  69,   86,   121,  172,  241,  345,
                                                   517, 689, 861, 1034, 1378, 1723, 2584, 3445, 5168};
int32_t heldBandOf(int32_t heldBuffers);

// A held note of a decaying sound frees its voice by itself this many buffers
// after its note-on; a sound that holds (looped) has none.
constexpr int32_t NoNaturalEnd = -1;

// What one note of a key costs, for a release after heldBuffers.
struct NoteVoiceCost {
    int32_t voices;          // voices the note takes: 0 for a key the sound has no sample for
    int32_t naturalBuffers;  // or NoNaturalEnd
    // From the buffer of the release to the first buffer whose note-ons find
    // the voice free: the longest measured in the held band.
    int32_t releaseBuffers;
};
NoteVoiceCost noteVoiceCost(ChannelSound sound, int key, int32_t heldBuffers);

// The first buffer whose note-ons find the voice of a note free again, for a
// note-on processed in onBuffer and released in releaseBuffer. A release
// before the natural end decides, even when its end comes later: some sounds
// release more slowly than they decay.
int64_t voiceFreeBuffer(ChannelSound sound, int key, int64_t onBuffer, int64_t releaseBuffer);
// The latest voiceFreeBuffer of the keys from lowestKey to highestKey (at
// least onBuffer), one look-up per key range: a note bent down plays a
// sample as from any key of them.
int64_t latestVoiceFreeBuffer(ChannelSound sound, int lowestKey, int highestKey, int64_t onBuffer,
                              int64_t releaseBuffer);
// The first key above key that lies in another range of the table: the keys
// between cost what key costs.
int nextCostKey(ChannelSound sound, int key);

// The measured table, one entry per key range of a sound (sound 0..127 a
// melodic program, DrumKitSound the kit), in order of sound and keys; the
// ranges of a sound cover keys 0 to 127.
constexpr int32_t DrumKitSound = 128;
struct VoiceKeyRange {
    uint8_t sound;
    uint8_t firstKey;
    uint8_t lastKey;
    uint8_t voices;
    int16_t naturalBuffers;
    uint16_t releaseRow;  // index into VoiceReleaseRows
};
extern const VoiceKeyRange VoiceKeyRanges[];
extern const int32_t VoiceKeyRangeCount;
extern const uint16_t VoiceReleaseRows[][HeldBandCount];
extern const int32_t VoiceReleaseRowCount;
