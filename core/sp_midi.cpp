#include "sp_midi.h"

#include <algorithm>
#include <cstring>

#include "delta_time.h"
#include "file_pass.h"
#include "hex_digits.h"
#include "midi_format.h"
#include "mtrk.h"
#include "track_walk.h"

SpMidiSettings SpMidi;

namespace {
// Any device, and the sub-IDs of the MIP message (a Universal Real Time one).
constexpr uint8_t AllDevices = 0x7F;
constexpr uint8_t MipSubId1 = 0x0B;
constexpr uint8_t MipSubId2 = 0x01;
constexpr int MipHeaderBytes = 4;

struct NoteEvent {
    int64_t tick;
    int channel;
    int key;
    bool on;
};

using NoteTrack = std::vector<NoteEvent>;

// Sounding notes of one time line and, per priority prefix, the most notes
// that sounded together at the end of any tick.
class PolyphonyMeter {
public:
    explicit PolyphonyMeter(const std::vector<int>& channelOrder) : order(channelOrder) {}

    void silence() {
        std::memset(sounding, 0, sizeof sounding);
        std::memset(count, 0, sizeof count);
    }

    // A note-on of a key that already sounds keeps the count.
    void apply(const NoteEvent& note) {
        bool& key = sounding[note.channel][note.key];
        if (key == note.on) return;
        key = note.on;
        count[note.channel] += note.on ? 1 : -1;
    }

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
    bool sounding[ChannelCount][KeyCount] = {};
    int count[ChannelCount] = {};
};

// The notes of every track chunk, each track on its own clock.
class NoteCollector : public TrackVisitor {
public:
    std::vector<NoteTrack> tracks;
    bool hasNote[ChannelCount] = {};

    bool beginTrack(const WalkPosition&, bool loaded) {
        if (loaded) tracks.emplace_back();
        return true;
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        if (!reader.isNote || reader.eventLength < 3) return true;
        const uint8_t* m = reader.event;
        const bool on = startsNote(m);
        const int channel = statusChannel(m[0]);
        if (on) hasNote[channel] = true;
        tracks.back().push_back({at.tick, channel, m[1] & 0x7F, on});
        return true;
    }
};

// Formats 0 and 1 play all tracks together: one time line, track order kept
// within a tick.
NoteTrack mergeTracks(const std::vector<NoteTrack>& tracks) {
    NoteTrack merged;
    for (const NoteTrack& track : tracks) merged.insert(merged.end(), track.begin(), track.end());
    std::stable_sort(merged.begin(), merged.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.tick < b.tick; });
    return merged;
}
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

bool parseSpMidiPriority(const char* digits, std::vector<int>& given) {
    std::vector<int> channels;
    bool named[ChannelCount] = {};
    for (const char* p = digits; *p != 0; ++p) {
        if (!isHexDigit(static_cast<unsigned char>(*p))) return false;
        const int channel = hexDigitValue(static_cast<unsigned char>(*p));
        if (named[channel]) return false;
        named[channel] = true;
        channels.push_back(channel);
    }
    given = channels;
    return true;
}

std::vector<SpMidiEntry> computeSpMidiMips(const uint8_t* file, size_t size, const std::vector<int>& given) {
    BytesPass bytes(file, size);
    NoteCollector notes;
    walkFile(bytes.pass(), notes);
    const bool* hasNote = notes.hasNote;
    const std::vector<int> order = spMidiChannelOrder(given);
    PolyphonyMeter meter(order);
    const bool ownTimeLines = bytes.pass().header.format == 2;
    if (ownTimeLines) {
        for (const NoteTrack& track : notes.tracks) meter.run(track);
    } else {
        meter.run(mergeTracks(notes.tracks));
    }
    std::vector<SpMidiEntry> entries;
    for (int k = 0; k < ChannelCount; ++k) {
        const int channel = order[static_cast<size_t>(k)];
        if (hasNote[channel]) entries.push_back({channel, std::min(meter.largest[k], SpMidiMaxMip)});
    }
    return entries;
}

std::vector<uint8_t> spMidiMessage(const std::vector<SpMidiEntry>& entries) {
    if (entries.empty()) return {};
    uint8_t length[DeltaTime::MaxBytes];
    const int lengthBytes =
        encodeVarLen(static_cast<int32_t>(MipHeaderBytes + 2 * entries.size() + 1), length);
    std::vector<uint8_t> message;
    message.reserve(2 + DeltaTime::MaxBytes + MipHeaderBytes + 2 * entries.size());
    message.push_back(0xF0);
    for (int i = 0; i < lengthBytes; ++i) message.push_back(length[i]);
    for (uint8_t b : {UniversalRealTime, AllDevices, MipSubId1, MipSubId2}) message.push_back(b);
    for (const SpMidiEntry& entry : entries) {
        message.push_back(static_cast<uint8_t>(entry.channel & 0x0F));
        message.push_back(static_cast<uint8_t>(std::min(entry.mip, SpMidiMaxMip)));
    }
    message.push_back(0xF7);
    return message;
}

bool isSpMidiMipMessage(const uint8_t* event, int32_t n) {
    if (n < 2 || event[0] != 0xF0) return false;
    DeltaTime length;
    const int used = length.decode(event + 1, n - 1);
    if (used == 0) return false;
    const uint8_t* data = event + 1 + used;
    const int64_t held = std::min<int64_t>(length.value, n - 1 - used);
    return held >= MipHeaderBytes && data[0] == UniversalRealTime && data[2] == MipSubId1 &&
           data[3] == MipSubId2;
}

bool spMidiLeavesOut(const SpMidiSettings& settings, int32_t kind, const uint8_t* event, int32_t n) {
    return settings.enabled != 0 && kind == EVENT_SYSEX && isSpMidiMipMessage(event, n);
}
