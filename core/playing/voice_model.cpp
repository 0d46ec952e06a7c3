#include "playing/voice_model.h"

#include <algorithm>

#include "playing/midi_kinds.h"
#include "playing/mip_message.h"
#include "playing/saturated.h"

namespace {
constexpr int64_t MillisecondQ10 = 1024;
constexpr int64_t MicrosecondsPerMillisecond = 1000;
// A release that never comes: far enough that no held time reaches it, near
// enough that a voice's end after it cannot overflow.
constexpr int64_t NeverReleased = saturated::Largest / 4;
// An end one buffer later than the table's, for where in a buffer an event falls.
constexpr int64_t EndMargin = 1;
// A channel message that ends voices frees them from the next buffer.
constexpr int64_t MutedAfter = 1;
// How far a pitch bent down can take a note: a bend range of two octaves.
constexpr int BentDownKeys = 24;
constexpr uint8_t PedalDownFrom = 64;
constexpr int PitchBendCentre = 0x2000;

// Kit keys whose note-on frees, from the next buffer, the voices of another
// key (or its own) on its channel, as the hi-hats do. Measured with the
// synthesizer on every key of the kit that sounds long enough to tell
// (docs/voice-model.md); the short keys are left to end by themselves.
struct KitCut {
    uint8_t key;
    uint8_t cut;
};
constexpr KitCut KitCuts[] = {{32, 34}, {33, 34}, {34, 34}, {42, 46}, {44, 46}, {46, 46},
                              {71, 71}, {71, 72}, {72, 71}, {72, 72}, {80, 81}, {81, 81}};

bool cuts(uint8_t key, uint8_t other) {
    for (const KitCut& cut : KitCuts)
        if (cut.key == key && cut.cut == other) return true;
    return false;
}

int64_t q10PerTick(int32_t microsecondsPerQuarter, int64_t division) {
    const int64_t wanted = int64_t{microsecondsPerQuarter} * MillisecondQ10;
    const int64_t per = division * MicrosecondsPerMillisecond;
    return (wanted + per / 2) / per;
}

bool endsEveryVoiceOfChannel(uint8_t controller) {
    return controller >= FirstChannelModeController && controller != ControllerResetAll &&
           controller != ControllerLocalControl;
}
}  // namespace

SynthMilliseconds::SynthMilliseconds(const FileTiming& timing) : frames(timing) {
    if ((timing.division & SmpteDivisionBit) != 0 || timing.division == 0) return;
    perQuarter = true;
    spans.push_back({0, q10PerTick(DefaultTempo, timing.division), 0});
    for (const TempoChange& tempo : timing.tempos) {
        const Span& last = spans.back();
        const int64_t time =
            saturated::sum(last.time, saturated::product(tempo.tick - last.tick, last.perTick));
        spans.push_back({tempo.tick, q10PerTick(tempo.microsecondsPerQuarter, timing.division), time});
    }
}

int64_t SynthMilliseconds::at(int64_t tick) const {
    tick = std::max<int64_t>(tick, 0);
    if (!perQuarter) return wholeMilliseconds(frames, frames.timeAt(tick));
    const auto after = std::upper_bound(spans.begin(), spans.end(), tick,
                                        [](int64_t wanted, const Span& span) { return wanted < span.tick; });
    const Span& span = *(after - 1);
    return saturated::sum(span.time, saturated::product(tick - span.tick, span.perTick)) / MillisecondQ10;
}

VoiceModel::VoiceModel(const FileTiming& timing, int32_t mipVoices, VoiceCountListener* listener)
    : clock(timing), handsetVoices(mipVoices), countListener(listener) {
    resetChannels();
}

void VoiceModel::resetChannels() {
    for (int c = 0; c < ChannelCount; ++c) {
        Channel& channel = channels[c];
        channel.sound = channelSoundAtStart(c);
        channel.bankMsb = 0;
        channel.pedal = false;
        channel.muted = false;
        channel.bentDown = false;
    }
}

void VoiceModel::onEvent(int32_t track, int64_t tick, const uint8_t* event, int32_t length) {
    if (length < 1) return;
    const int64_t at = voiceBufferAt(clock.at(tick));
    if (at != buffer) {
        countBuffer();
        buffer = at;
    }
    const uint8_t status = event[0];
    if (status == StatusSysEx) return systemExclusive(event, length);
    if (!isChannelStatus(status) || length < (hasTwoDataBytes(status) ? 3 : 2)) return;
    const int channel = statusChannel(status);
    const uint8_t first = event[1] & 0x7F;
    const uint8_t second = length > 2 ? event[2] & 0x7F : 0;
    switch (statusType(status)) {
        case StatusNoteOn:
            if (second != 0) return noteOn(channel, first, track, tick);
            return noteOff(channel, first);
        case StatusNoteOff:
            return noteOff(channel, first);
        case StatusControlChange:
            return controller(channel, first, second);
        case StatusProgramChange:
            channels[channel].sound =
                soundAfterProgramChange(channels[channel].sound, channels[channel].bankMsb, first);
            return;
        case StatusPitchBend:
            channels[channel].bentDown = (second << 7 | first) < PitchBendCentre;
            return;
        default:
            return;
    }
}

void VoiceModel::finish() {
    countBuffer();
}

int64_t VoiceModel::endOf(const Voice& voice, int64_t releaseBuffer) const {
    int64_t end = voice.onBuffer;
    for (int key = voice.lowestKey; key <= voice.key; key = nextCostKey(voice.sound, key))
        end = std::max(end, voiceFreeBuffer(voice.sound, key, voice.onBuffer, releaseBuffer));
    return end + EndMargin;
}

void VoiceModel::freeEndedVoices(Channel& channel) const {
    auto& voices = channel.voices;
    voices.erase(std::remove_if(voices.begin(), voices.end(),
                                [this](const Voice& voice) { return voice.endBuffer <= buffer; }),
                 voices.end());
}

void VoiceModel::noteOn(int c, uint8_t key, int32_t track, int64_t tick) {
    noteChannels = static_cast<uint16_t>(noteChannels | 1u << c);
    Channel& channel = channels[c];
    if (channel.muted) return;
    channelNotes[c] += sounding.apply(NoteEvent{tick, track, c, key, true});
    if (noteVoiceCost(channel.sound, key, 0).voices == 0) return;
    freeEndedVoices(channel);
    auto& voices = channel.voices;
    const auto ofKey = [key](const Voice& voice) { return voice.key == key; };
    // A third voice of a key takes the oldest's: voices keep their order of note-on.
    if (std::count_if(voices.begin(), voices.end(), ofKey) >= SameKeyVoiceLimit)
        voices.erase(std::find_if(voices.begin(), voices.end(), ofKey));
    if (channel.sound.drums)
        for (Voice& voice : voices)
            if (cuts(key, voice.key)) endVoice(voice);
    const int lowest = channel.bentDown ? std::max(0, key - BentDownKeys) : key;
    Voice voice{buffer, 0, channel.sound, key, static_cast<uint8_t>(lowest), Hold::Key};
    voice.endBuffer = endOf(voice, NeverReleased);
    voices.push_back(voice);
    if (!noteTookVoice) {
        current.track = track;
        current.tick = tick;
    }
    noteTookVoice = true;
}

void VoiceModel::releaseVoice(Voice& voice) const {
    // A note-off in the buffer of its note-on frees the voice as one a buffer later does.
    voice.endBuffer = endOf(voice, std::max(buffer, voice.onBuffer + 1));
    voice.hold = Hold::Released;
}

// One note-off releases every voice of the key; under the pedal they are
// held until the pedal is released.
void VoiceModel::noteOff(int c, uint8_t key) {
    channelNotes[c] += sounding.apply(NoteEvent{0, 0, c, key, false});
    Channel& channel = channels[c];
    for (Voice& voice : channel.voices) {
        if (voice.key != key || voice.hold == Hold::Released) continue;
        if (channel.pedal)
            voice.hold = Hold::Pedal;
        else
            releaseVoice(voice);
    }
}

void VoiceModel::endVoice(Voice& voice) const {
    voice.endBuffer = std::min(voice.endBuffer, buffer + MutedAfter + EndMargin);
    voice.hold = Hold::Released;
}

void VoiceModel::muteVoices(Channel& channel) const {
    for (Voice& voice : channel.voices) endVoice(voice);
}

void VoiceModel::controller(int c, uint8_t number, uint8_t value) {
    Channel& channel = channels[c];
    if (number == ControllerBankSelect) channel.bankMsb = value;
    if (number == ControllerSustain) {
        const bool down = value >= PedalDownFrom;
        // Only a release of a pressed pedal releases the notes it holds.
        if (channel.pedal && !down)
            for (Voice& voice : channel.voices)
                if (voice.hold == Hold::Pedal) releaseVoice(voice);
        channel.pedal = down;
    }
    // Reset All Controllers lifts the pedal without releasing what it holds.
    if (number == ControllerResetAll) channel.pedal = false;
    if (endsEveryVoiceOfChannel(number)) muteVoices(channel);
}

void VoiceModel::systemExclusive(const uint8_t* event, int32_t length) {
    const SysExKind kind = sysExKind(event, length);
    if (kind == SysExKind::GmSystemOn) {
        for (Channel& channel : channels) muteVoices(channel);
        resetChannels();
    }
    if (kind == SysExKind::MipMessage && handsetVoices != NoMipMuting) {
        for (Channel& channel : channels) channel.muted = true;
        for (const SpMidiEntry& entry : spMidiMessageEntries(event, length))
            if (entry.mip <= handsetVoices) channels[entry.channel].muted = false;
    }
}

void VoiceModel::countBuffer() {
    if (!noteTookVoice) return;
    noteTookVoice = false;
    current.voices = 0;
    current.notes = 0;
    for (int c = 0; c < ChannelCount; ++c) {
        freeEndedVoices(channels[c]);
        current.channelVoices[c] = static_cast<int32_t>(channels[c].voices.size());
        current.voices += current.channelVoices[c];
        if (!channels[c].muted) current.notes += channelNotes[c];
    }
    if (current.voices > largest.voices) largest = current;
    if (countListener != nullptr) countListener->onCount(current);
}
