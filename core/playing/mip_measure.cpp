#include "playing/mip_measure.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/sounding_notes.h"
#include "playing/time_line.h"
#include "smf/midi_format.h"

namespace {
// Sounding notes of one time line and, per priority prefix, the most notes
// that sounded together at the end of any tick.
class PolyphonyMeter {
public:
    explicit PolyphonyMeter(const std::vector<int>& channelOrder) : order(channelOrder) {}

    void silence() {
        sounding.silence();
        std::memset(count, 0, sizeof count);
    }

    void apply(const NoteEvent& note) { count[note.channel] += sounding.apply(note); }

    void measure() {
        int sum = 0;
        for (int k = 0; k < ChannelCount; ++k) {
            sum += count[order[static_cast<size_t>(k)]];
            largest[k] = std::max(largest[k], sum);
        }
    }

    // Events in time order; the counts are taken after the last event of each tick.
    void run(const NoteTrack& notes) {
        silence();
        for (size_t i = 0; i < notes.size(); ++i) {
            apply(notes[i]);
            if (i + 1 == notes.size() || notes[i + 1].tick != notes[i].tick) measure();
        }
    }

    int largest[ChannelCount] = {};

private:
    const std::vector<int>& order;
    SoundingNotes sounding;
    int count[ChannelCount] = {};
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
    BytesPass bytes(file, size);
    NoteCollector notes;
    walkFile(bytes.pass(), notes);
    const bool* hasNote = notes.hasNote;
    const std::vector<int> order = spMidiChannelOrder(given);
    PolyphonyMeter meter(order);
    for (const NoteTrack& line : timeLines(bytes.pass().header.format, std::move(notes.tracks)))
        meter.run(line);
    std::vector<SpMidiEntry> entries;
    for (int k = 0; k < ChannelCount; ++k) {
        const int channel = order[static_cast<size_t>(k)];
        if (hasNote[channel]) entries.push_back({channel, std::min(meter.largest[k], SpMidiMaxMip)});
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
