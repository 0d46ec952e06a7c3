#include "sp_midi_tunes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "playing/mip_measure.h"
#include "smf/delta_time.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"

void PrintTo(const TuneShape& shape, std::ostream* out) {
    *out << "seed " << shape.seed << ", format " << shape.format << ", " << shape.channels.size()
         << " channels";
}

namespace {
// Every channel its own program; each chord ends before the channel's next one starts.
std::vector<TickedEvent> channelPart(std::mt19937& random, int channel, int index, int maxChord) {
    const uint8_t status = static_cast<uint8_t>(channel);
    std::vector<TickedEvent> part = {
        {0, {static_cast<uint8_t>(0xC0 | status), static_cast<uint8_t>(index * 17 + 1)}}};
    for (int step = 0; step < Steps; ++step) {
        if (random() % 4 == 0) continue;
        const int32_t start = step * StepTicks;
        const int32_t end = start + 20 + static_cast<int32_t>(random() % (StepTicks - 40));
        const int size = 1 + static_cast<int>(random() % static_cast<uint32_t>(maxChord));
        std::set<int> keys;
        while (static_cast<int>(keys.size()) < size)
            keys.insert(40 + index * 6 + static_cast<int>(random() % 24));
        for (int key : keys) {
            const uint8_t k = static_cast<uint8_t>(key);
            part.push_back({start, {static_cast<uint8_t>(0x90 | status), k, 100}});
            part.push_back({end, {static_cast<uint8_t>(0x80 | status), k, 64}});
        }
    }
    return part;
}

}  // namespace

Bytes generateTune(const TuneShape& shape) {
    std::mt19937 random(shape.seed);
    std::vector<Bytes> bodies;
    std::vector<TickedEvent> all;
    for (size_t i = 0; i < shape.channels.size(); ++i) {
        const std::vector<TickedEvent> part =
            channelPart(random, shape.channels[i], static_cast<int>(i), shape.maxChord);
        if (shape.format == 0)
            all.insert(all.end(), part.begin(), part.end());
        else
            bodies.push_back(trackBodyOf(part));
    }
    if (shape.format == 0) return smfFile(0, Division, {trackBodyOf(all)});
    bodies.insert(bodies.begin(), Bytes{0x00, 0xFF, 0x2F, 0x00});
    return smfFile(1, Division, bodies);
}

Bytes withoutNotes(const Bytes& file, const std::set<int>& channels) {
    EXPECT_TRUE(loadSource(file, "filtered.mid"));
    const int trackCount = (file[10] << 8) | file[11];
    Bytes out(file.begin(), file.begin() + SmfHeaderSize);
    uint8_t delta[DeltaTime::MaxBytes];
    for (const std::vector<DecodedEvent>& track : decodeTracks(trackCount)) {
        Bytes body;
        int32_t carried = 0;
        for (const DecodedEvent& event : track) {
            const bool note = (event.bytes[0] & 0xE0) == 0x80 && event.kind == EVENT_CHANNEL;
            if (note && channels.count(event.bytes[0] & 0x0F) != 0) {
                carried += event.delta;
                continue;
            }
            body.insert(body.end(), delta, delta + encodeVarLen(event.delta + carried, delta));
            body.insert(body.end(), event.bytes.begin(), event.bytes.end());
            carried = 0;
        }
        const Bytes chunk = trackChunk(body);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

std::set<int> channelsAbove(const std::vector<SpMidiEntry>& entries, int polyphony) {
    std::set<int> channels;
    for (const SpMidiEntry& entry : entries)
        if (entry.mip > polyphony) channels.insert(entry.channel);
    return channels;
}
