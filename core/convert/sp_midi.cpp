#include "convert/sp_midi.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "convert/hex_digits.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/sounding_notes.h"
#include "playing/sysex_body.h"
#include "playing/time_line.h"
#include "smf/delta_time.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// Universal Real Time (midi_format.h), any device, sub-IDs of the MIP message.
constexpr uint8_t AllDevices = 0x7F;
constexpr uint8_t MipSubId1 = 0x0B;
constexpr uint8_t MipSubId2 = 0x01;
constexpr int MipHeaderBytes = 4;

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
    for (const NoteTrack& line : timeLines(bytes.pass().header.format, std::move(notes.tracks)))
        meter.run(line);
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

namespace {
// The message's data after F0: the universal header, then the pairs.
bool mipMessageBody(const uint8_t* event, int32_t n, SysExBody& body) {
    if (n < 1 || event[0] != 0xF0 || !readSysExBody(event, n, body)) return false;
    const uint8_t* data = body.data;
    return body.size >= MipHeaderBytes && data[0] == UniversalRealTime && data[2] == MipSubId1 &&
           data[3] == MipSubId2;
}
}  // namespace

bool isSpMidiMipMessage(const uint8_t* event, int32_t n) {
    SysExBody body;
    return mipMessageBody(event, n, body);
}

std::vector<SpMidiEntry> spMidiMessageEntries(const uint8_t* event, int32_t n) {
    std::vector<SpMidiEntry> entries;
    SysExBody body;
    if (!mipMessageBody(event, n, body)) return entries;
    for (int64_t at = MipHeaderBytes; at + 1 < body.size; at += 2) {
        const uint8_t channel = body.data[at];
        const uint8_t mip = body.data[at + 1];
        if (channel >= 0x80 || mip >= 0x80) break;  // F7 or a status byte ends the pairs
        entries.push_back({channel & 0x0F, mip});
    }
    return entries;
}

bool spMidiLeavesOut(const SpMidiSettings& settings, int32_t kind, const uint8_t* event, int32_t n) {
    return settings.enabled != 0 && kind == EVENT_SYSEX && isSpMidiMipMessage(event, n);
}
