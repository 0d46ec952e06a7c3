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
//
// Built as the tempos come in playing order: the time of a tick needs only
// the tempos at or before it.
class SynthMilliseconds {
public:
    // division: the header's field as written.
    explicit SynthMilliseconds(uint16_t division);
    // A Set Tempo at a tick no earlier than the last one's.
    void tempo(int64_t tick, int32_t microsecondsPerQuarter);
    int64_t at(int64_t tick) const;

private:
    PlayingClock frames;  // an SMPTE division's, which has no tempo
    bool perQuarter = false;
    int64_t ticksPerQuarter = 0;
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
// and key, kept in slots per channel and key and in a heap of their ends, so
// a note-on, a note-off and the end of a voice each cost a few steps however
// many voices sound.
class VoiceModel {
public:
    // mipVoices: the voices of a handset that mutes, at a MIP message, the
    // channels whose MIP is over them; NoMipMuting for one that ignores it.
    // division: the header's field as written. The model reads the tempos
    // from the events themselves.
    explicit VoiceModel(uint16_t division, int32_t mipVoices = NoMipMuting,
                        VoiceCountListener* listener = nullptr);

    void onEvent(int32_t track, int64_t tick, const uint8_t* event, int32_t length);
    // After the last event.
    void finish();

    // The most voices at once, where first reached.
    const VoiceCount& peak() const { return largest; }

    // A model of a handset that ignores the MIP message also counts, in the
    // same play, the voices of one of mipVoices that mutes by it: channels
    // are played apart, so its count is that of the channels it plays. Asked
    // before the first event.
    void countAlsoMuting(int32_t mipVoices);
    // That handset's peak; null when a MIP message or GM System On changed
    // its muting of a channel with voices or notes sounding, which only a
    // play of its own can count.
    const VoiceCount* peakMuting(int32_t mipVoices) const;
    // Also counts the voices of the channels of playedChannels (bit c:
    // channel c) alone, as a handset plays them that honours a MIP message
    // before the first event, a GM System On unmuting every channel again.
    // Asked before the first event; the number the peak is asked by.
    size_t countAlsoChannels(uint16_t playedChannels);
    // Null when a GM System On unmuted a channel with voices or notes sounding.
    const VoiceCount* peakOfChannels(size_t counted) const;
    // For a fit that thins a tune as it plays it. The voices of the current
    // buffer if a note-on of channel c and key came at tick, the model first
    // brought to that tick's buffer (a tick no earlier than the last event's).
    int32_t voicesWithNoteOn(int64_t tick, int c, uint8_t key);
    // The voices channel c holds now.
    int32_t channelVoices(int c) const { return channels[c].voiceCount; }
    // The voice of channel c that has sounded longest among those a note-off
    // could end now: held by its key alone (no other voice of the key), not
    // a drum, not under the pedal. Found is false without one.
    struct HeldVoice {
        bool found = false;
        int32_t index = 0;
        uint8_t key = 0;
        int64_t onTick = 0;
    };
    HeldVoice longestHeldVoice(int c) const;
    // The latest tick, no earlier than earliest, at which a note-off frees
    // the voice by the current buffer with the pedal up; -1 when none can.
    int64_t latestFreeingTick(const HeldVoice& held, int64_t earliest) const;
    // Releases the voice as a note-off at tick would have: its voice is free now.
    void releaseEarly(const HeldVoice& held, int64_t tick);

    // A MIP message came, which changes what such a handset plays.
    bool sawMipMessage() const { return mipMessage; }
    // Bit c set: channel c has a note-on of velocity above 0.
    uint16_t channelsWithNotes() const { return noteChannels; }

private:
    enum class Hold : uint8_t { Key, Pedal, Released };
    struct Voice {
        int64_t onBuffer;
        int64_t endBuffer;  // the first buffer it is not counted in
        uint32_t stamp;     // changes with every new end and when freed
        ChannelSound sound;
        uint8_t channel;
        uint8_t key;
        uint8_t lowestKey;  // a pitch bent down plays a sample as from a lower key
        Hold hold;
        int64_t onTick;
    };
    // An end as it was when set: one whose stamp is not its voice's is old.
    struct VoiceEnd {
        int64_t endBuffer;
        int32_t voice;
        uint32_t stamp;
    };
    static constexpr int32_t NoVoice = -1;
    struct Channel {
        ChannelSound sound;
        int bankMsb = 0;
        bool pedal = false;
        int64_t pedalTick = 0;  // of the last press or release
        bool muted = false;
        bool bentDown = false;
        int32_t voiceCount = 0;
        // The voices of each key in order of note-on, NoVoice after the last.
        int32_t keyVoices[KeyCount][SameKeyVoiceLimit];
    };

    // A handset that mutes by the MIP message, counted in a play that does not.
    struct MutingView {
        int32_t handsetVoices;  // MutedFromStart for channels muted before the first event
        uint16_t muted = 0;     // bit c: channel c
        bool exact = true;
        VoiceCount largest;
    };
    // The first note-on of a channel that took a voice in this buffer.
    struct FirstVoice {
        int32_t track;
        int64_t tick;
    };

    SynthMilliseconds clock;
    int32_t handsetVoices;
    std::vector<MutingView> mutingViews;
    bool mipMessage = false;
    static constexpr int32_t MutedFromStart = -1;
    VoiceCountListener* countListener;
    Channel channels[ChannelCount];
    std::vector<Voice> voices;
    std::vector<int32_t> unusedVoices;
    std::vector<VoiceEnd> ends;  // a heap, the earliest on top
    int32_t liveVoices = 0;
    SoundingNotes sounding;
    int32_t channelNotes[ChannelCount] = {};
    uint16_t noteChannels = 0;
    int64_t buffer = 0;
    int64_t lastTick = 0;
    // The channels whose notes took voices in this buffer, in the order of
    // their first such note-on.
    uint8_t channelsTookVoice[ChannelCount] = {};
    int32_t channelsTookCount = 0;
    FirstVoice firstVoices[ChannelCount] = {};
    VoiceCount current;
    VoiceCount largest;

    void resetChannels();
    void countBuffer();
    void countMuted(MutingView& view) const;
    void changeMuting(MutingView& view, uint16_t muted) const;
    void freeVoicesEndedBy(int64_t lastBuffer);
    void freeVoice(int32_t index);
    int32_t takeVoice(const Voice& voice);
    void setEnd(int32_t index, int64_t endBuffer);
    void rebuildEnds();
    void noteOn(int channel, uint8_t key, int32_t track, int64_t tick);
    void noteOff(int channel, uint8_t key);
    void controller(int channel, uint8_t number, uint8_t value);
    void systemExclusive(const uint8_t* event, int32_t length);
    void releaseVoice(int32_t index);
    void endVoice(int32_t index);
    void muteVoices(Channel& channel);
    // Calls act(index) for every voice of the channel.
    template <class Act>
    void forEachVoice(Channel& channel, Act act);
    int64_t endOf(const Voice& voice, int64_t releaseBuffer) const;
    int64_t releaseBufferAt(const Voice& voice, int64_t tick) const;
    void advanceTo(int64_t tick);
};
