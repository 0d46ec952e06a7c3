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

SynthMilliseconds::SynthMilliseconds(uint16_t division) : frames(FileTiming{division, {}, {}}) {
    if ((division & SmpteDivisionBit) != 0 || division == 0) return;
    perQuarter = true;
    ticksPerQuarter = division;
    spans.push_back({0, q10PerTick(DefaultTempo, division), 0});
}

void SynthMilliseconds::tempo(int64_t tick, int32_t microsecondsPerQuarter) {
    if (!perQuarter) return;
    const Span& last = spans.back();
    const int64_t time = saturated::sum(last.time, saturated::product(tick - last.tick, last.perTick));
    spans.push_back({tick, q10PerTick(microsecondsPerQuarter, ticksPerQuarter), time});
}

int64_t SynthMilliseconds::at(int64_t tick) const {
    tick = std::max<int64_t>(tick, 0);
    if (!perQuarter) return wholeMilliseconds(frames, frames.timeAt(tick));
    // In playing order a tick is at or after the last tempo.
    auto after = spans.end();
    if (tick < spans.back().tick)
        after = std::upper_bound(spans.begin(), spans.end(), tick,
                                 [](int64_t wanted, const Span& span) { return wanted < span.tick; });
    const Span& span = *(after - 1);
    return saturated::sum(span.time, saturated::product(tick - span.tick, span.perTick)) / MillisecondQ10;
}

VoiceModel::VoiceModel(uint16_t division, int32_t mipVoices, VoiceCountListener* listener)
    : clock(division), handsetVoices(mipVoices), countListener(listener) {
    for (Channel& channel : channels)
        for (auto& keyVoices : channel.keyVoices)
            std::fill(std::begin(keyVoices), std::end(keyVoices), NoVoice);
    resetChannels();
}

void VoiceModel::resetChannels() {
    for (int c = 0; c < ChannelCount; ++c) {
        Channel& channel = channels[c];
        channel.sound = channelSoundAtStart(c);
        channel.bankMsb = 0;
        channel.pedal = false;
        channel.pedalTick = lastTick;
        channel.muted = false;
        channel.bentDown = false;
    }
}

void VoiceModel::advanceTo(int64_t tick) {
    lastTick = tick;
    const int64_t at = voiceBufferAt(clock.at(tick));
    if (at == buffer) return;
    countBuffer();
    buffer = at;
    freeVoicesEndedBy(buffer);
}

void VoiceModel::onEvent(int32_t track, int64_t tick, const uint8_t* event, int32_t length) {
    if (length < 1) return;
    advanceTo(tick);
    const uint8_t status = event[0];
    int32_t tempo = 0;
    if (status == StatusMeta && setTempoValue(event, length, tempo)) return clock.tempo(tick, tempo);
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
    return latestVoiceFreeBuffer(voice.sound, voice.lowestKey, voice.key, voice.onBuffer, releaseBuffer) +
           EndMargin;
}

namespace {
// The heap's order: the earliest end on top.
template <class End>
bool endsLater(const End& a, const End& b) {
    return a.endBuffer > b.endBuffer;
}
}  // namespace

void VoiceModel::setEnd(int32_t index, int64_t endBuffer) {
    Voice& voice = voices[static_cast<size_t>(index)];
    voice.endBuffer = endBuffer;
    ++voice.stamp;
    // A held looped note has no end until something releases it.
    if (endBuffer >= NeverReleased) return;
    ends.push_back({endBuffer, index, voice.stamp});
    std::push_heap(ends.begin(), ends.end(), endsLater<VoiceEnd>);
    // Ends replaced by later ones wait in the heap until their time; so
    // many of them never outnumber the voices by much.
    if (ends.size() > 2 * static_cast<size_t>(liveVoices) + 1024) rebuildEnds();
}

void VoiceModel::rebuildEnds() {
    ends.clear();
    for (Channel& channel : channels)
        forEachVoice(channel, [this](int32_t index) {
            const Voice& voice = voices[static_cast<size_t>(index)];
            if (voice.endBuffer < NeverReleased) ends.push_back({voice.endBuffer, index, voice.stamp});
        });
    std::make_heap(ends.begin(), ends.end(), endsLater<VoiceEnd>);
}

template <class Act>
void VoiceModel::forEachVoice(Channel& channel, Act act) {
    if (channel.voiceCount == 0) return;
    for (auto& keyVoices : channel.keyVoices)
        for (const int32_t index : keyVoices) {
            if (index == NoVoice) break;
            act(index);
        }
}

int32_t VoiceModel::takeVoice(const Voice& voice) {
    int32_t index = 0;
    if (unusedVoices.empty()) {
        index = static_cast<int32_t>(voices.size());
        voices.push_back(voice);
    } else {
        index = unusedVoices.back();
        unusedVoices.pop_back();
        const uint32_t stamp = voices[static_cast<size_t>(index)].stamp;
        voices[static_cast<size_t>(index)] = voice;
        voices[static_cast<size_t>(index)].stamp = stamp;
    }
    Channel& channel = channels[voice.channel];
    int32_t* keyVoices = channel.keyVoices[voice.key];
    int32_t slot = 0;
    while (keyVoices[slot] != NoVoice) ++slot;
    keyVoices[slot] = index;
    ++channel.voiceCount;
    ++liveVoices;
    return index;
}

void VoiceModel::freeVoice(int32_t index) {
    Voice& voice = voices[static_cast<size_t>(index)];
    ++voice.stamp;
    Channel& channel = channels[voice.channel];
    int32_t* keyVoices = channel.keyVoices[voice.key];
    // The others keep their order of note-on.
    int32_t* last = std::remove(keyVoices, keyVoices + SameKeyVoiceLimit, index);
    std::fill(last, keyVoices + SameKeyVoiceLimit, NoVoice);
    --channel.voiceCount;
    --liveVoices;
    unusedVoices.push_back(index);
}

void VoiceModel::freeVoicesEndedBy(int64_t lastBuffer) {
    while (!ends.empty() && ends.front().endBuffer <= lastBuffer) {
        std::pop_heap(ends.begin(), ends.end(), endsLater<VoiceEnd>);
        const VoiceEnd end = ends.back();
        ends.pop_back();
        if (voices[static_cast<size_t>(end.voice)].stamp == end.stamp) freeVoice(end.voice);
    }
}

void VoiceModel::noteOn(int c, uint8_t key, int32_t track, int64_t tick) {
    noteChannels = static_cast<uint16_t>(noteChannels | 1u << c);
    Channel& channel = channels[c];
    if (channel.muted) return;
    channelNotes[c] += sounding.apply(NoteEvent{tick, track, c, key, true});
    if (noteVoiceCost(channel.sound, key, 0).voices == 0) return;
    // A third voice of a key takes the oldest's.
    if (channel.keyVoices[key][SameKeyVoiceLimit - 1] != NoVoice) freeVoice(channel.keyVoices[key][0]);
    if (channel.sound.drums)
        for (const KitCut& cut : KitCuts) {
            if (cut.key != key) continue;
            for (const int32_t index : channel.keyVoices[cut.cut])
                if (index != NoVoice) endVoice(index);
        }
    const int lowest = channel.bentDown ? std::max(0, key - BentDownKeys) : key;
    Voice voice{buffer,    0,   0, channel.sound, static_cast<uint8_t>(c), key, static_cast<uint8_t>(lowest),
                Hold::Key, tick};
    const int64_t end = endOf(voice, NeverReleased);
    setEnd(takeVoice(voice), end);
    const bool firstOfChannel = std::find(channelsTookVoice, channelsTookVoice + channelsTookCount, c) ==
                                channelsTookVoice + channelsTookCount;
    if (!firstOfChannel) return;
    channelsTookVoice[channelsTookCount++] = static_cast<uint8_t>(c);
    firstVoices[c] = {track, tick};
}

// A note-off in the buffer of its note-on frees the voice as one a buffer later does.
int64_t VoiceModel::releaseBufferAt(const Voice& voice, int64_t tick) const {
    return std::max(voiceBufferAt(clock.at(tick)), voice.onBuffer + 1);
}

void VoiceModel::releaseVoice(int32_t index) {
    Voice& voice = voices[static_cast<size_t>(index)];
    voice.hold = Hold::Released;
    setEnd(index, endOf(voice, releaseBufferAt(voice, lastTick)));
}

int32_t VoiceModel::voicesWithNoteOn(int64_t tick, int c, uint8_t key) {
    advanceTo(tick);
    const Channel& channel = channels[c];
    const bool takes = !channel.muted && noteVoiceCost(channel.sound, key, 0).voices != 0 &&
                       channel.keyVoices[key][SameKeyVoiceLimit - 1] == NoVoice;
    return liveVoices + (takes ? 1 : 0);
}

VoiceModel::HeldVoice VoiceModel::longestHeldVoice(int c) const {
    HeldVoice longest;
    const Channel& channel = channels[c];
    if (channel.pedal || channel.sound.drums || channel.voiceCount == 0) return longest;
    for (int key = 0; key < KeyCount; ++key) {
        const int32_t* keyVoices = channel.keyVoices[key];
        if (keyVoices[0] == NoVoice || keyVoices[1] != NoVoice) continue;
        const Voice& voice = voices[static_cast<size_t>(keyVoices[0])];
        if (voice.hold != Hold::Key || voice.sound.drums) continue;
        if (!longest.found || voice.onTick < longest.onTick)
            longest = {true, keyVoices[0], static_cast<uint8_t>(key), voice.onTick};
    }
    return longest;
}

int64_t VoiceModel::latestFreeingTick(const HeldVoice& held, int64_t earliest) const {
    const Voice& voice = voices[static_cast<size_t>(held.index)];
    // The pedal must have been up since the note-off.
    earliest = std::max({earliest, channels[voice.channel].pedalTick, voice.onTick});
    const auto frees = [&](int64_t tick) { return endOf(voice, releaseBufferAt(voice, tick)) <= buffer; };
    if (earliest > lastTick || !frees(earliest)) return -1;
    int64_t low = earliest;       // frees
    int64_t high = lastTick + 1;  // past the search
    while (high - low > 1) {
        const int64_t middle = low + (high - low) / 2;
        (frees(middle) ? low : high) = middle;
    }
    return low;
}

void VoiceModel::releaseEarly(const HeldVoice& held, int64_t tick) {
    Voice& voice = voices[static_cast<size_t>(held.index)];
    voice.hold = Hold::Released;
    setEnd(held.index, endOf(voice, releaseBufferAt(voice, tick)));
    freeVoicesEndedBy(buffer);
}

// One note-off releases every voice of the key; under the pedal they are
// held until the pedal is released.
void VoiceModel::noteOff(int c, uint8_t key) {
    channelNotes[c] += sounding.apply(NoteEvent{0, 0, c, key, false});
    Channel& channel = channels[c];
    for (const int32_t index : channel.keyVoices[key]) {
        if (index == NoVoice) break;
        Voice& voice = voices[static_cast<size_t>(index)];
        if (voice.hold == Hold::Released) continue;
        if (channel.pedal)
            voice.hold = Hold::Pedal;
        else
            releaseVoice(index);
    }
}

void VoiceModel::endVoice(int32_t index) {
    Voice& voice = voices[static_cast<size_t>(index)];
    voice.hold = Hold::Released;
    const int64_t end = buffer + MutedAfter + EndMargin;
    if (end < voice.endBuffer) setEnd(index, end);
}

void VoiceModel::muteVoices(Channel& channel) {
    forEachVoice(channel, [this](int32_t index) { endVoice(index); });
}

void VoiceModel::controller(int c, uint8_t number, uint8_t value) {
    Channel& channel = channels[c];
    if (number == ControllerBankSelect) channel.bankMsb = value;
    if (number == ControllerSustain) {
        const bool down = value >= PedalDownFrom;
        // Only a release of a pressed pedal releases the notes it holds.
        if (channel.pedal && !down)
            forEachVoice(channel, [this](int32_t index) {
                if (voices[static_cast<size_t>(index)].hold == Hold::Pedal) releaseVoice(index);
            });
        if (channel.pedal != down) channel.pedalTick = lastTick;
        channel.pedal = down;
    }
    // Reset All Controllers lifts the pedal without releasing what it holds.
    if (number == ControllerResetAll && channel.pedal) {
        channel.pedal = false;
        channel.pedalTick = lastTick;
    }
    if (endsEveryVoiceOfChannel(number)) muteVoices(channel);
}

void VoiceModel::systemExclusive(const uint8_t* event, int32_t length) {
    const SysExKind kind = sysExKind(event, length);
    if (kind == SysExKind::GmSystemOn) {
        for (MutingView& view : mutingViews) changeMuting(view, 0);
        for (Channel& channel : channels) muteVoices(channel);
        resetChannels();
    }
    if (kind != SysExKind::MipMessage) return;
    mipMessage = true;
    const std::vector<SpMidiEntry> entries = spMidiMessageEntries(event, length);
    const auto mutedBy = [&entries](int32_t playable) {
        uint16_t muted = 0xFFFF;
        for (const SpMidiEntry& entry : entries)
            if (entry.mip <= playable) muted = static_cast<uint16_t>(muted & ~(1u << entry.channel));
        return muted;
    };
    for (MutingView& view : mutingViews)
        if (view.handsetVoices != MutedFromStart) changeMuting(view, mutedBy(view.handsetVoices));
    if (handsetVoices == NoMipMuting) return;
    const uint16_t muted = mutedBy(handsetVoices);
    for (int c = 0; c < ChannelCount; ++c) channels[c].muted = (muted >> c & 1u) != 0;
}

void VoiceModel::changeMuting(MutingView& view, uint16_t muted) const {
    const uint16_t changed = static_cast<uint16_t>(view.muted ^ muted);
    for (int c = 0; c < ChannelCount; ++c)
        if ((changed >> c & 1u) != 0 && (channels[c].voiceCount != 0 || channelNotes[c] != 0))
            view.exact = false;
    view.muted = muted;
}

void VoiceModel::countAlsoMuting(int32_t mipVoices) {
    if (mipVoices == NoMipMuting || peakMuting(mipVoices) != nullptr) return;
    mutingViews.push_back({mipVoices, 0, true, VoiceCount()});
}

const VoiceCount* VoiceModel::peakMuting(int32_t mipVoices) const {
    for (const MutingView& view : mutingViews)
        if (view.handsetVoices == mipVoices && mipVoices != NoMipMuting)
            return view.exact ? &view.largest : nullptr;
    return nullptr;
}

size_t VoiceModel::countAlsoChannels(uint16_t playedChannels) {
    mutingViews.push_back({MutedFromStart, static_cast<uint16_t>(~playedChannels), true, VoiceCount()});
    return mutingViews.size() - 1;
}

const VoiceCount* VoiceModel::peakOfChannels(size_t counted) const {
    const MutingView& view = mutingViews[counted];
    return view.exact ? &view.largest : nullptr;
}

void VoiceModel::countBuffer() {
    if (channelsTookCount == 0) return;
    freeVoicesEndedBy(buffer);
    current.track = firstVoices[channelsTookVoice[0]].track;
    current.tick = firstVoices[channelsTookVoice[0]].tick;
    current.voices = 0;
    current.notes = 0;
    for (int c = 0; c < ChannelCount; ++c) {
        current.channelVoices[c] = channels[c].voiceCount;
        current.voices += current.channelVoices[c];
        if (!channels[c].muted) current.notes += channelNotes[c];
    }
    if (current.voices > largest.voices) largest = current;
    if (countListener != nullptr) countListener->onCount(current);
    for (MutingView& view : mutingViews) countMuted(view);
    channelsTookCount = 0;
}

// The channels the view's handset plays, counted where one of them took a voice.
void VoiceModel::countMuted(MutingView& view) const {
    const auto plays = [&view](int c) { return ((view.muted >> c) & 1) == 0; };
    int32_t played = 0;
    for (int c = 0; c < ChannelCount; ++c) played += plays(c) ? current.channelVoices[c] : 0;
    // Most buffers reach no new peak: the rest is counted only for one that does.
    if (played <= view.largest.voices) return;
    const uint8_t* end = channelsTookVoice + channelsTookCount;
    const uint8_t* first = std::find_if(channelsTookVoice, end, plays);
    if (first == end) return;
    VoiceCount& count = view.largest;
    count = VoiceCount();
    count.voices = played;
    count.track = firstVoices[*first].track;
    count.tick = firstVoices[*first].tick;
    for (int c = 0; c < ChannelCount; ++c) {
        if (!plays(c)) continue;
        count.channelVoices[c] = current.channelVoices[c];
        count.notes += channelNotes[c];
    }
}
