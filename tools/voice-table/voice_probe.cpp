#include "voice_probe.h"

#include <algorithm>

#include "handset_synth.h"
#include "smf/delta_time.h"
#include "smf/midi_format.h"

namespace {
constexpr int ProbeDivision = 1000;
constexpr uint32_t ProbeTempo = 1000000;
constexpr int LoudVelocity = 127;
constexpr int MelodicProbeChannel = 0;
constexpr int DrumProbeChannel = PercussionChannel;
// A second channel set up as the tested one, for a note that must take the
// same voice as on the tested channel without counting as its key.
constexpr int TwinChannel = 1;
// The older loud note of holdsVoice: a looped lead sound with samples for keys 12 to 108.
constexpr ChannelSound LoudHeldSound{false, 80};
constexpr int LoudHeldLowestKey = 12;
constexpr int LoudHeldHighestKey = 108;
constexpr int32_t MaxReleaseBuffers = 20000;
// A held note silent this long is past its last sound.
constexpr int32_t TrailingSilenceBuffers = 172;

void appendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[4];
    out.insert(out.end(), groups, groups + encodeVarLen(static_cast<int32_t>(value), groups));
}

void appendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

// The synthesizer's first millisecond in the buffer.
uint32_t bufferStartMilliseconds(int32_t buffer) {
    return static_cast<uint32_t>((static_cast<int64_t>(buffer) * VoiceBufferQ8Milliseconds) / 256);
}

void appendEvent(std::vector<uint8_t>& body, uint32_t delta, const std::vector<uint8_t>& bytes) {
    appendVariableLength(body, delta);
    if (!bytes.empty() && bytes[0] == StatusSysEx) {
        // A SysEx event is F0, the length of the rest, the rest.
        body.push_back(StatusSysEx);
        appendVariableLength(body, static_cast<uint32_t>(bytes.size() - 1));
        body.insert(body.end(), bytes.begin() + 1, bytes.end());
        return;
    }
    body.insert(body.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> channelMessage(int status, int channel, int first, int second) {
    return {static_cast<uint8_t>(status | channel), static_cast<uint8_t>(first),
            static_cast<uint8_t>(second)};
}

// The tune with X, the note under test, on the tested channel or on its twin,
// after an older loud note of the same key, and a third note-on of the key at
// buffer 2 + buffers.
std::vector<uint8_t> sameKeyProbe(ChannelSound sound, int key, int32_t buffers, bool onTestedChannel) {
    const int channel = probeChannel(sound);
    std::vector<ProbeEvent> events = selectSound(channel, LoudHeldSound);
    events.push_back({1, noteOn(channel, key, LoudVelocity)});
    for (int target : {channel, TwinChannel})
        for (ProbeEvent event : selectSound(target, sound)) {
            event.buffer = 1;
            events.push_back(event);
        }
    events.push_back({2, noteOn(onTestedChannel ? channel : TwinChannel, key, LoudVelocity)});
    events.push_back({2 + buffers, noteOn(channel, key, LoudVelocity)});
    return probeTune(events, 2 + buffers + 3);
}

// The first buffers count from `from` at which holdsVoice is false, given
// that it is true before `from`; NoNaturalEnd when it is still true at the
// search's end. A note frees its voice once, so holding is monotone.
int32_t firstFreeFrom(ChannelSound sound, int key, int32_t from) {
    if (!holdsVoice(sound, key, from)) return from;
    int32_t held = from;
    int32_t step = 1;
    int32_t free = held;
    for (;;) {
        if (held >= NaturalSearchBuffers) return NoNaturalEnd;
        free = std::min(held + step, NaturalSearchBuffers);
        if (!holdsVoice(sound, key, free)) break;
        held = free;
        step *= 2;
    }
    while (free - held > 1) {
        const int32_t middle = held + (free - held) / 2;
        (holdsVoice(sound, key, middle) ? held : free) = middle;
    }
    return free;
}
}  // namespace

std::vector<uint8_t> probeTune(std::vector<ProbeEvent> events, int32_t endBuffer) {
    std::stable_sort(events.begin(), events.end(),
                     [](const ProbeEvent& a, const ProbeEvent& b) { return a.buffer < b.buffer; });
    // One millisecond a tick: a tempo of 1,000,000 microseconds at division 1000.
    std::vector<uint8_t> body = {0x00, StatusMeta, MetaSetTempo, SetTempoLength};
    appendBigEndian(body, ProbeTempo, SetTempoLength);
    uint32_t now = 0;
    for (const ProbeEvent& event : events) {
        const uint32_t at = bufferStartMilliseconds(event.buffer);
        appendEvent(body, at - now, event.bytes);
        now = at;
    }
    const uint32_t end = std::max(bufferStartMilliseconds(std::max(endBuffer, 0)), now);
    appendEvent(body, end - now, {StatusMeta, MetaEndOfTrack, EndOfTrackLength});
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    appendBigEndian(file, ProbeDivision, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<uint8_t> noteOn(int channel, int key, int velocity) {
    return channelMessage(StatusNoteOn, channel, key, velocity);
}

std::vector<uint8_t> noteOff(int channel, int key) {
    return channelMessage(StatusNoteOff, channel, key, 0x40);
}

std::vector<uint8_t> controlChange(int channel, int controller, int value) {
    return channelMessage(StatusControlChange, channel, controller, value);
}

std::vector<uint8_t> programChange(int channel, int program) {
    return {static_cast<uint8_t>(StatusProgramChange | channel), static_cast<uint8_t>(program)};
}

std::vector<ProbeEvent> selectSound(int channel, ChannelSound sound) {
    // The bank select MSB that makes any channel a drum or a melodic one.
    return {{0, controlChange(channel, ControllerBankSelect, sound.drums ? DrumBankMsb : MelodicBankMsb)},
            {0, programChange(channel, sound.program)}};
}

std::vector<int16_t> renderBuffers(const std::vector<uint8_t>& tune, int polyphony, int32_t buffers) {
    std::vector<int16_t> pcm;
    const RenderOutcome outcome =
        renderTune(tune.data(), tune.size(), polyphony, static_cast<int64_t>(buffers) * VoiceBufferFrames,
                   [&pcm](const int16_t* samples, size_t frames) {
                       pcm.insert(pcm.end(), samples, samples + frames * 2);
                       return true;
                   });
    if (outcome.error.step != SynthStep::None) pcm.clear();
    return pcm;
}

int32_t buffersUntilStopped(const std::vector<uint8_t>& tune, int32_t maxBuffers) {
    int64_t frames = 0;
    renderTune(tune.data(), tune.size(), 64, static_cast<int64_t>(maxBuffers) * VoiceBufferFrames,
               [&frames](const int16_t*, size_t count) {
                   frames += static_cast<int64_t>(count);
                   return true;
               });
    return static_cast<int32_t>((frames + VoiceBufferFrames - 1) / VoiceBufferFrames);
}

bool samePcm(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    return !a.empty() && a == b;
}

int probeChannel(ChannelSound sound) {
    return sound.drums ? DrumProbeChannel : MelodicProbeChannel;
}

int32_t releaseBuffers(ChannelSound sound, int key, int32_t heldBuffers) {
    const int channel = probeChannel(sound);
    std::vector<ProbeEvent> events = selectSound(channel, sound);
    events.push_back({1, noteOn(channel, key, LoudVelocity)});
    events.push_back({1 + heldBuffers, noteOff(channel, key)});
    // The end of the tune releases every voice at once, but the release of a
    // note in its own first buffer waits for that buffer: the end comes one
    // buffer later then.
    const int32_t end = 1 + heldBuffers + (heldBuffers == 0 ? 1 : 0);
    return buffersUntilStopped(probeTune(events, end), end + MaxReleaseBuffers) - (1 + heldBuffers);
}

bool holdsVoice(ChannelSound sound, int key, int32_t buffers) {
    const int32_t rendered = 2 + buffers + 3;
    return !samePcm(renderBuffers(sameKeyProbe(sound, key, buffers, true), 64, rendered),
                    renderBuffers(sameKeyProbe(sound, key, buffers, false), 64, rendered));
}

bool holdsVoiceCanTell(int key) {
    return key >= LoudHeldLowestKey && key <= LoudHeldHighestKey;
}

int32_t lastAudibleBuffer(ChannelSound sound, int key) {
    const int channel = probeChannel(sound);
    std::vector<ProbeEvent> events = selectSound(channel, sound);
    events.push_back({1, noteOn(channel, key, LoudVelocity)});
    const std::vector<uint8_t> tune = probeTune(events, 1 + NaturalSearchBuffers + 1);
    int32_t buffer = 0;
    int32_t last = -1;
    renderTune(tune.data(), tune.size(), 64,
               static_cast<int64_t>(1 + NaturalSearchBuffers + 1) * VoiceBufferFrames,
               [&](const int16_t* samples, size_t frames) {
                   if (std::any_of(samples, samples + frames * 2, [](int16_t sample) { return sample != 0; }))
                       last = buffer;
                   ++buffer;
                   return buffer - std::max(last, 1) <= TrailingSilenceBuffers;
               });
    return last < 0 ? -1 : std::min(last - 1, NaturalSearchBuffers);
}

int32_t naturalBuffersAfter(ChannelSound sound, int key, int32_t lastAudible) {
    if (!holdsVoiceCanTell(key) || lastAudible >= NaturalSearchBuffers) return NoNaturalEnd;
    // A note heard until buffer b holds its voice there.
    return firstFreeFrom(sound, key, lastAudible + 1);
}

int32_t voicesOfLoneNote(ChannelSound sound, int key, int32_t maxPolyphony) {
    const int channel = probeChannel(sound);
    std::vector<ProbeEvent> events = selectSound(channel, sound);
    events.push_back({1, noteOn(channel, key, LoudVelocity)});
    events.push_back({31, noteOff(channel, key)});
    const std::vector<uint8_t> tune = probeTune(events, 31);
    const int32_t buffers = 31 + MaxReleaseBuffers;
    const std::vector<int16_t> full = renderBuffers(tune, 64, buffers);
    for (int32_t polyphony = 1; polyphony <= maxPolyphony; ++polyphony)
        if (samePcm(renderBuffers(tune, polyphony, buffers), full)) return polyphony;
    return 0;
}
