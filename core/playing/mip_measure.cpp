#include "playing/mip_measure.h"

#include <algorithm>
#include <new>

#include "playing/file_timing.h"
#include "playing/voice_count.h"
#include "smf/midi_format.h"

namespace {
// Per priority prefix, the most voices its channels took together in any
// render buffer: a handset of P voices playing the channels of a prefix
// within P plays every note of them.
class PrefixVoices : public VoiceCountListener {
public:
    explicit PrefixVoices(const std::vector<int>& channelOrder) : order(channelOrder) {}

    void onCount(const VoiceCount& count) override {
        int sum = 0;
        for (int k = 0; k < ChannelCount; ++k) {
            sum += count.channelVoices[order[static_cast<size_t>(k)]];
            largest[k] = std::max(largest[k], sum);
        }
    }

    int largest[ChannelCount] = {};

private:
    const std::vector<int>& order;
};
}  // namespace

std::vector<int> spMidiChannelOrder(const std::vector<int>& given) {
    bool placed[ChannelCount] = {};
    std::vector<int> order;
    auto place = [&](int channel) {
        if (channel < 0 || channel >= ChannelCount || placed[channel]) return;
        placed[channel] = true;
        order.push_back(channel);
    };
    for (int channel : given) place(channel);
    place(PercussionChannel);
    for (int channel = 0; channel < ChannelCount; ++channel) place(channel);
    return order;
}

namespace {
// The first count channels of the order.
uint16_t prefixChannels(const std::vector<int>& order, int count) {
    uint16_t channels = 0;
    for (int j = 0; j < count; ++j)
        channels = static_cast<uint16_t>(channels | 1u << order[static_cast<size_t>(j)]);
    return channels;
}

std::vector<SpMidiEntry> measuredMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                                      MeasuredVoices& voices) {
    const std::vector<int> order = spMidiChannelOrder(given);
    PrefixVoices prefixes(order);
    VoiceModel model(fileDivision(file, size), NoMipMuting, &prefixes);
    size_t counted[ChannelCount + 1] = {};
    for (int k = 0; k <= ChannelCount; ++k) counted[k] = model.countAlsoChannels(prefixChannels(order, k));
    playVoiceModel(file, size, model);
    const uint16_t withNotes = model.channelsWithNotes();
    voices.known = !model.sawMipMessage();
    voices.everyChannel = model.peak();
    for (int k = 0; k <= ChannelCount; ++k) {
        const VoiceCount* peak = model.peakOfChannels(counted[k]);
        voices.known = voices.known && peak != nullptr;
        if (peak != nullptr) voices.prefixes[k] = *peak;
    }
    voices.order = order;
    std::vector<SpMidiEntry> entries;
    for (int k = 0; k < ChannelCount; ++k) {
        const int channel = order[static_cast<size_t>(k)];
        if ((withNotes >> channel & 1u) != 0)
            entries.push_back({channel, std::min(prefixes.largest[k], SpMidiMaxMip)});
    }
    return entries;
}
}  // namespace

VoiceCount MeasuredVoices::mutingHandset(const std::vector<SpMidiEntry>& entries, int32_t mipVoices) const {
    // The MIP values grow along the order, so the channels played are a prefix of it.
    size_t played = 0;
    for (const SpMidiEntry& entry : entries) {
        if (entry.mip > mipVoices) break;
        played =
            static_cast<size_t>(std::find(order.begin(), order.end(), entry.channel) - order.begin()) + 1;
    }
    return prefixes[played];
}

Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries) {
    MeasuredVoices voices;
    return computeSpMidiMips(file, size, given, entries, voices);
}

Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries, MeasuredVoices& voices) {
    try {
        entries = measuredMips(file, size, given, voices);
        return Result::success();
    } catch (const std::bad_alloc&) {
        entries.clear();
        return Result::failure(OutOfMemoryMessage);
    }
}
