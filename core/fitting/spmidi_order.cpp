#include "fitting/spmidi_order.h"

#include <algorithm>

#include "playing/mip_measure.h"
#include "playing/voice_model.h"

namespace {
constexpr int32_t Untold = INT32_MAX;
constexpr uint16_t AllChannels = 0xFFFF;

struct ChannelNotes {
    int64_t count[ChannelCount] = {};
    int64_t operator[](int channel) const { return count[channel]; }
};

ChannelNotes notesPerChannel(const FitTune& tune) {
    ChannelNotes notes;
    for (const FitEvent& event : tune.events) {
        const uint8_t* bytes = tune.bytesOf(event);
        if (event.kept && isNoteStart(bytes, event.length)) ++notes.count[statusChannel(bytes[0])];
    }
    return notes;
}

// The peaks of each set of channels, from one play.
std::vector<int32_t> peaksOf(const FitTune& tune, const std::vector<uint16_t>& masks) {
    VoiceModel model(tune.division);
    std::vector<size_t> views;
    for (const uint16_t mask : masks) views.push_back(model.countAlsoChannels(mask));
    playTune(tune, model);
    std::vector<int32_t> peaks;
    for (const size_t view : views) {
        const VoiceCount* peak = model.peakOfChannels(view);
        peaks.push_back(peak != nullptr ? peak->voices : Untold);
    }
    return peaks;
}

uint16_t bitOf(int channel) {
    return static_cast<uint16_t>(1u << channel);
}

// Of the candidates (in the default order) whose peak passes, the one with
// the most notes; -1 when none does.
int mostNotes(const std::vector<int>& candidates, const std::vector<int32_t>& peaks, int32_t limit,
              const ChannelNotes& notes) {
    int best = -1;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const int channel = candidates[k];
        if (peaks[k] <= limit && (best < 0 || notes[channel] > notes[best])) best = channel;
    }
    return best;
}
// The channels, the most notes first, ties in their order.
void appendByNotes(std::vector<int> channels, const ChannelNotes& notes, std::vector<int>& order) {
    std::stable_sort(channels.begin(), channels.end(),
                     [&notes](int a, int b) { return notes[a] > notes[b]; });
    order.insert(order.end(), channels.begin(), channels.end());
}
}  // namespace

int32_t peakVoicesOfChannels(const FitTune& tune, uint16_t mask) {
    return peaksOf(tune, {mask}).front();
}

Thinning thinChannelTo(FitTune& tune, int channel, int32_t limit) {
    if (peakVoicesOfChannels(tune, bitOf(channel)) <= limit) return Thinning();
    return thinVoices(tune, limit, {channel}, bitOf(channel), std::nullopt);
}

ChosenOrder chooseSpMidiOrder(FitTune& tune, int32_t voices, int32_t firstLimit) {
    ChosenOrder chosen;
    const ChannelNotes notes = notesPerChannel(tune);
    std::vector<int> remaining;
    for (const int channel : spMidiChannelOrder({}))
        if (notes[channel] > 0) remaining.push_back(channel);
    if (remaining.empty()) return chosen;
    std::vector<uint16_t> alone;
    for (const int channel : remaining) alone.push_back(bitOf(channel));
    int first = mostNotes(remaining, peaksOf(tune, alone), firstLimit, notes);
    if (first < 0) {
        first = mostNotes(remaining, std::vector<int32_t>(remaining.size(), 0), 0, notes);
        chosen.thinnedFirst = thinChannelTo(tune, first, firstLimit);
    }
    // Voices only grow with the channels played: when all of them fit, every
    // step does, and the rest go by their notes.
    const bool everyChannelFits = peakVoicesOfChannels(tune, AllChannels) <= voices;
    uint16_t prefix = 0;
    for (int next = first; next >= 0;) {
        chosen.channels.push_back(next);
        prefix = static_cast<uint16_t>(prefix | bitOf(next));
        remaining.erase(std::find(remaining.begin(), remaining.end(), next));
        if (remaining.empty()) break;
        if (everyChannelFits) {
            appendByNotes(remaining, notes, chosen.channels);
            break;
        }
        std::vector<uint16_t> grown;
        for (const int channel : remaining) grown.push_back(static_cast<uint16_t>(prefix | bitOf(channel)));
        next = mostNotes(remaining, peaksOf(tune, grown), voices, notes);
    }
    return chosen;
}
