#include <algorithm>
#include <cstdint>
#include <utility>

#include "playing/voice_release_table.h"
#include "smf/midi_format.h"

namespace {

int soundIndex(ChannelSound sound) {
    return sound.drums ? DrumKitSound : sound.program;
}

// The last range of the sound that starts at or below the key.
int32_t searchRange(int index, int key) {
    const VoiceKeyRange* end = VoiceKeyRanges + VoiceKeyRangeCount;
    const VoiceKeyRange* after = std::upper_bound(
        VoiceKeyRanges, end, std::make_pair(index, key),
        [](const std::pair<int, int>& wanted, const VoiceKeyRange& range) {
            return wanted < std::make_pair(static_cast<int>(range.sound), static_cast<int>(range.firstKey));
        });
    return static_cast<int32_t>(after - 1 - VoiceKeyRanges);
}

int32_t searchHeldBand(int32_t heldBuffers) {
    const int32_t* end = HeldBandStarts + HeldBandCount;
    return static_cast<int32_t>(std::upper_bound(HeldBandStarts, end, std::max(heldBuffers, 0)) -
                                HeldBandStarts) -
           1;
}

constexpr int SoundCount = DrumKitSound + 1;
constexpr int32_t LastBandStart = HeldBandStarts[HeldBandCount - 1];

// The searches done once for every sound, key and held time below the last
// band: every note of every voice count asks, some for 25 keys at a time.
struct LookupIndex {
    uint16_t range[SoundCount][KeyCount];
    uint8_t band[LastBandStart];

    LookupIndex() {
        for (int sound = 0; sound < SoundCount; ++sound)
            for (int key = 0; key < KeyCount; ++key)
                range[sound][key] = static_cast<uint16_t>(searchRange(sound, key));
        for (int32_t held = 0; held < LastBandStart; ++held)
            band[held] = static_cast<uint8_t>(searchHeldBand(held));
    }
};

const LookupIndex& lookupIndex() {
    static const LookupIndex index;
    return index;
}

const VoiceKeyRange& rangeOf(ChannelSound sound, int key) {
    return VoiceKeyRanges[lookupIndex().range[soundIndex(sound)][key]];
}
}  // namespace

int64_t voiceBufferAt(int64_t milliseconds) {
    return ((milliseconds + 1) * 256 - 1) / VoiceBufferQ8Milliseconds;
}

int64_t voiceBufferStart(int64_t buffer) {
    return buffer * VoiceBufferQ8Milliseconds / 256;
}

ChannelSound channelSoundAtStart(int channel) {
    return channel == PercussionChannel ? ChannelSound{true, 0} : ChannelSound{false, 0};
}

ChannelSound soundAfterProgramChange(ChannelSound current, int bankMsb, int program) {
    bool drums = current.drums;
    if (bankMsb == DrumBankMsb) drums = true;
    if (bankMsb == MelodicBankMsb) drums = false;
    return {drums, drums ? uint8_t{0} : static_cast<uint8_t>(program & 0x7F)};
}

int32_t heldBandOf(int32_t heldBuffers) {
    if (heldBuffers <= 0) return 0;
    return heldBuffers < LastBandStart ? lookupIndex().band[heldBuffers] : HeldBandCount - 1;
}

NoteVoiceCost noteVoiceCost(ChannelSound sound, int key, int32_t heldBuffers) {
    const VoiceKeyRange& range = rangeOf(sound, std::clamp(key, 0, 127));
    return {range.voices, range.naturalBuffers, VoiceReleaseRows[range.releaseRow][heldBandOf(heldBuffers)]};
}

namespace {
int64_t freeBufferOf(const VoiceKeyRange& range, int64_t onBuffer, int64_t releaseBuffer) {
    if (range.voices == 0) return onBuffer;
    const int64_t held = std::max<int64_t>(releaseBuffer - onBuffer, 0);
    if (range.naturalBuffers != NoNaturalEnd && range.naturalBuffers <= held)
        return onBuffer + range.naturalBuffers;
    const auto heldBuffers = static_cast<int32_t>(std::min<int64_t>(held, INT32_MAX));
    return onBuffer + held + VoiceReleaseRows[range.releaseRow][heldBandOf(heldBuffers)];
}
}  // namespace

int64_t voiceFreeBuffer(ChannelSound sound, int key, int64_t onBuffer, int64_t releaseBuffer) {
    return freeBufferOf(rangeOf(sound, std::clamp(key, 0, 127)), onBuffer, releaseBuffer);
}

int64_t latestVoiceFreeBuffer(ChannelSound sound, int lowestKey, int highestKey, int64_t onBuffer,
                              int64_t releaseBuffer) {
    const uint16_t* ranges = lookupIndex().range[soundIndex(sound)];
    int64_t latest = onBuffer;
    for (int key = std::clamp(lowestKey, 0, 127); key <= std::min(highestKey, 127);) {
        const VoiceKeyRange& range = VoiceKeyRanges[ranges[key]];
        latest = std::max(latest, freeBufferOf(range, onBuffer, releaseBuffer));
        key = std::max(key + 1, range.lastKey + 1);
    }
    return latest;
}

int nextCostKey(ChannelSound sound, int key) {
    // Never below key + 1, so a walk over keys always moves on.
    return std::max(key + 1, rangeOf(sound, std::clamp(key, 0, 127)).lastKey + 1);
}
