#pragma once
#include <cstdint>
#include <vector>

#include "playing/file_timing.h"
#include "playing/playing_clock.h"
#include "playing/sounding_notes.h"
#include "playing/voice_release_table.h"
#include "smf/midi_format.h"

// The handset synthesizer's own clock: milliseconds from the start, as it
// computes them. Under a division of ticks per quarter note it turns ticks
// into time by a factor per tempo rounded to 1/1024 ms, so its times drift
// from the file's (+0.03 % at division 480 and 120 beats a minute).
class SynthMilliseconds {
public:
    explicit SynthMilliseconds(const FileTiming& timing);
    int64_t at(int64_t tick) const;

private:
    PlayingClock frames;  // an SMPTE division's, which has no tempo
    bool perQuarter = false;
    struct Span {
        int64_t tick;
        int64_t perTick;  // 1/1024 ms
        int64_t time;     // 1/1024 ms at the span's first tick
    };
    std::vector<Span> spans;
};

// The voices and notes sounding after the events of one render buffer in
// which a note took a voice, and the first of those note-ons.
struct VoiceCount {
    int32_t voices = 0;
    // Counted as every count of notes at once counts them (SoundingNotes).
    int32_t notes = 0;
    int32_t track = 0;
    int64_t tick = 0;
    int32_t channelVoices[ChannelCount] = {};
};

class VoiceCountListener {
public:
    virtual void onCount(const VoiceCount& count) = 0;

protected:
    ~VoiceCountListener() = default;
};

// A handset that ignores the MIP message plays every channel.
constexpr int32_t NoMipMuting = 0;

// The voices the handset synthesizer spends on a tune, fed its events one at
// a time in playing order (every track on one clock, format 2's too), each
// with its track and tick in the file and its bytes, status first. A note
// holds a voice from the buffer of its note-on until voiceFreeBuffer: its
// release counts from its note-off, or from the release of the sustain pedal
// when that is later. Every end is one buffer later than the table says, for
// where in a buffer an event falls. docs/voice-model.md has the facts.
//
// Memory is bounded by the voices sounding at once: at most two per channel
// and key.
class VoiceModel {
public:
    // mipVoices: the voices of a handset that mutes, at a MIP message, the
    // channels whose MIP is over them; NoMipMuting for one that ignores it.
    explicit VoiceModel(const FileTiming& timing, int32_t mipVoices = NoMipMuting,
                        VoiceCountListener* listener = nullptr);

    void onEvent(int32_t track, int64_t tick, const uint8_t* event, int32_t length);
    // After the last event.
    void finish();

    // The most voices at once, where first reached.
    const VoiceCount& peak() const { return largest; }
    // Bit c set: channel c has a note-on of velocity above 0.
    uint16_t channelsWithNotes() const { return noteChannels; }

private:
    enum class Hold : uint8_t { Key, Pedal, Released };
    struct Voice {
        int64_t onBuffer;
        int64_t endBuffer;  // the first buffer it is not counted in
        ChannelSound sound;
        uint8_t key;
        uint8_t lowestKey;  // a pitch bent down plays a sample as from a lower key
        Hold hold;
    };
    struct Channel {
        ChannelSound sound;
        int bankMsb = 0;
        bool pedal = false;
        bool muted = false;
        bool bentDown = false;
        std::vector<Voice> voices;
    };

    SynthMilliseconds clock;
    int32_t handsetVoices;
    VoiceCountListener* countListener;
    Channel channels[ChannelCount];
    SoundingNotes sounding;
    int32_t channelNotes[ChannelCount] = {};
    uint16_t noteChannels = 0;
    int64_t buffer = 0;
    bool noteTookVoice = false;  // in this buffer
    VoiceCount current;
    VoiceCount largest;

    void resetChannels();
    void countBuffer();
    void freeEndedVoices(Channel& channel) const;
    void noteOn(int channel, uint8_t key, int32_t track, int64_t tick);
    void noteOff(int channel, uint8_t key);
    void controller(int channel, uint8_t number, uint8_t value);
    void systemExclusive(const uint8_t* event, int32_t length);
    void releaseVoice(Voice& voice) const;
    void endVoice(Voice& voice) const;
    void muteVoices(Channel& channel) const;
    int64_t endOf(const Voice& voice, int64_t releaseBuffer) const;
};
