#include "playing/mip_measure.h"

#include <algorithm>
#include <new>

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
std::vector<SpMidiEntry> measuredMips(const uint8_t* file, size_t size, const std::vector<int>& given) {
    const std::vector<int> order = spMidiChannelOrder(given);
    PrefixVoices prefixes(order);
    const uint16_t withNotes = playVoiceModel(file, size, NoMipMuting, &prefixes).channelsWithNotes();
    std::vector<SpMidiEntry> entries;
    for (int k = 0; k < ChannelCount; ++k) {
        const int channel = order[static_cast<size_t>(k)];
        if ((withNotes >> channel & 1u) != 0)
            entries.push_back({channel, std::min(prefixes.largest[k], SpMidiMaxMip)});
    }
    return entries;
}
}  // namespace

Result computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given,
                         std::vector<SpMidiEntry>& entries) {
    try {
        entries = measuredMips(file, size, given);
        return Result::success();
    } catch (const std::bad_alloc&) {
        entries.clear();
        return Result::failure(OutOfMemoryMessage);
    }
}
