#include "playing/mip_measure.h"

#include <algorithm>
#include <new>

#include "playing/playing_walk.h"
#include "playing/sounding_notes.h"
#include "playing/time_line.h"
#include "smf/midi_format.h"

namespace {
// The sounding notes and, per priority prefix, the most notes that sounded
// together at the end of any tick, taken as the notes come in playing order.
class PolyphonyMeter {
public:
    explicit PolyphonyMeter(const std::vector<int>& channelOrder) : order(channelOrder) {}

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        NoteEvent note;
        if (!noteOf(event, track, tick, note)) return true;
        // The counts are taken after the last event of each tick.
        if (started && tick != now) measure();
        started = true;
        now = tick;
        if (note.on) hasNote[note.channel] = true;
        count[note.channel] += sounding.apply(note);
        return true;
    }

    // After the last note.
    void finish() {
        if (started) measure();
    }

    int largest[ChannelCount] = {};
    bool hasNote[ChannelCount] = {};

private:
    const std::vector<int>& order;
    SoundingNotes sounding;
    int count[ChannelCount] = {};
    bool started = false;
    int64_t now = 0;

    void measure() {
        int sum = 0;
        for (int k = 0; k < ChannelCount; ++k) {
            sum += count[order[static_cast<size_t>(k)]];
            largest[k] = std::max(largest[k], sum);
        }
    }
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
    PolyphonyMeter meter(order);
    walkInPlayingOrder(file, size, meter);
    meter.finish();
    std::vector<SpMidiEntry> entries;
    for (int k = 0; k < ChannelCount; ++k) {
        const int channel = order[static_cast<size_t>(k)];
        if (meter.hasNote[channel]) entries.push_back({channel, std::min(meter.largest[k], SpMidiMaxMip)});
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
