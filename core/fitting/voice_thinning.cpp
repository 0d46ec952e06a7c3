#include "fitting/voice_thinning.h"

#include <algorithm>

#include "fitting/tempo_line.h"
#include "playing/voice_model.h"
#include "smf/midi_format.h"

namespace {
constexpr uint32_t NoEvent = UINT32_MAX;
constexpr uint8_t NoteOffVelocity = 0x40;

int channelOf(const uint8_t* bytes) {
    return statusChannel(bytes[0]);
}

class Thinner {
public:
    Thinner(FitTune& fitTune, int32_t voiceLimit, const std::vector<int>& priority, uint16_t countedChannels,
            std::optional<int32_t> minimumMs)
        : tune(fitTune),
          model(fitTune.division),
          limit(voiceLimit),
          counted(countedChannels),
          minNoteMs(minimumMs),
          tempos(fitTune) {
        for (size_t rank = 0; rank < priority.size(); ++rank) ranks[priority[rank]] = static_cast<int>(rank);
        pairNotes();
        for (auto& keys : lastStart) std::fill(std::begin(keys), std::end(keys), NoEvent);
    }

    Thinning run() {
        for (size_t i = 0; i < tune.events.size(); ++i) {
            const FitEvent& event = tune.events[i];
            const uint8_t* bytes = tune.bytesOf(event);
            if (!event.kept || !plays(bytes, event.length)) continue;
            if (isNoteStart(bytes, event.length) && !takeVoice(static_cast<uint32_t>(i))) continue;
            model.onEvent(event.track, event.tick, bytes, event.length);
        }
        model.finish();
        for (const FitEvent& off : endings) tune.add(off.tick, off.track, off.order, offBytes(off), 3);
        if (outcome.changed()) tune.sortPlayingOrder();
        return outcome;
    }

private:
    FitTune& tune;
    VoiceModel model;
    int32_t limit;
    uint16_t counted;
    std::optional<int32_t> minNoteMs;
    TempoLine tempos;
    int ranks[ChannelCount] = {};
    // Per event, the note-off that ends it; per note-off, how many notes it ends.
    std::vector<uint32_t> endingOf;
    std::vector<uint32_t> endsCount;
    uint32_t lastStart[ChannelCount][KeyCount];
    // The note-offs that end notes early, added once the walk is done; their
    // bytes are kept in the order field's place until then.
    std::vector<FitEvent> endings;
    std::vector<uint8_t> endingBytes;
    Thinning outcome;

    const uint8_t* offBytes(const FitEvent& off) const { return endingBytes.data() + off.offset; }

    // Events of channels not counted are not played.
    bool plays(const uint8_t* bytes, int32_t length) const {
        return !isWholeChannelEvent(bytes, length) || bitIsSet(counted, channelOf(bytes));
    }

    void pairNotes() {
        const size_t count = tune.events.size();
        endingOf.assign(count, NoEvent);
        endsCount.assign(count, 0);
        std::vector<uint32_t> sounding[ChannelCount][KeyCount];
        for (size_t i = 0; i < count; ++i) {
            const FitEvent& event = tune.events[i];
            const uint8_t* bytes = tune.bytesOf(event);
            if (!event.kept) continue;
            std::vector<uint32_t>* notes = nullptr;
            if (isNoteStart(bytes, event.length) || isNoteEnd(bytes, event.length))
                notes = &sounding[channelOf(bytes)][bytes[1] & 0x7F];
            if (notes == nullptr) continue;
            if (isNoteStart(bytes, event.length)) {
                notes->push_back(static_cast<uint32_t>(i));
                continue;
            }
            for (const uint32_t start : *notes) endingOf[start] = static_cast<uint32_t>(i);
            endsCount[i] = static_cast<uint32_t>(notes->size());
            notes->clear();
        }
    }

    void noteChange(const FitEvent& event) {
        if (outcome.changed()) return;
        outcome.firstTrack = event.track;
        outcome.firstTick = event.tick;
    }

    // A note-off that ends only the note goes with it.
    void leaveOutEnding(uint32_t start) {
        const uint32_t off = endingOf[start];
        if (off != NoEvent && endsCount[off] == 1) tune.events[off].kept = false;
    }

    // False when the note is left out.
    bool takeVoice(uint32_t index) {
        FitEvent& event = tune.events[index];
        const uint8_t* bytes = tune.bytesOf(event);
        const int channel = channelOf(bytes);
        const uint8_t key = bytes[1] & 0x7F;
        while (model.voicesWithNoteOn(event.tick, channel, key) > limit) {
            noteChange(event);
            if (endLowestEarly(channel)) continue;
            event.kept = false;
            leaveOutEnding(index);
            ++outcome.leftOut;
            return false;
        }
        lastStart[channel][key] = index;
        return true;
    }

    // The lowest-priority channel of those sounding, the new note's among them.
    int lowestSounding(int newChannel) const {
        int lowest = newChannel;
        for (int c = 0; c < ChannelCount; ++c)
            if (model.channelVoices(c) > 0 && ranks[c] > ranks[lowest]) lowest = c;
        return lowest;
    }

    bool endLowestEarly(int newChannel) {
        const int lowest = lowestSounding(newChannel);
        if (lowest == newChannel) return false;
        const VoiceModel::HeldVoice held = model.longestHeldVoice(lowest);
        if (!held.found) return false;
        const uint32_t start = lastStart[lowest][held.key];
        if (start == NoEvent) return false;
        int64_t earliest = held.onTick + 1;
        if (minNoteMs) earliest = std::max(earliest, tempos.tickLasting(held.onTick, *minNoteMs));
        const int64_t tick = model.latestFreeingTick(held, earliest);
        if (tick < 0) return false;
        model.releaseEarly(held, tick);
        const uint8_t off[] = {static_cast<uint8_t>(StatusNoteOff | lowest), held.key, NoteOffVelocity};
        endings.push_back(
            {tick, tune.events[start].track, NoEvent, static_cast<uint32_t>(endingBytes.size()), 3, true});
        endingBytes.insert(endingBytes.end(), off, off + 3);
        leaveOutEnding(start);
        lastStart[lowest][held.key] = NoEvent;
        ++outcome.endedEarly;
        return true;
    }
};
}  // namespace

Thinning thinVoices(FitTune& tune, int32_t voices, const std::vector<int>& priority, uint16_t counted,
                    std::optional<int32_t> minNoteMs) {
    Thinner thinner(tune, voices, priority, counted, minNoteMs);
    return thinner.run();
}

void playTune(const FitTune& tune, VoiceModel& model) {
    for (const FitEvent& event : tune.events)
        if (event.kept) model.onEvent(event.track, event.tick, tune.bytesOf(event), event.length);
    model.finish();
}
