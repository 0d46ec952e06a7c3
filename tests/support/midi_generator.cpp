#include "midi_generator.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// Own generator and ranges: standard distributions differ between libraries,
// and the same seed must give the same file on every build.
class Random {
public:
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    uint32_t state;
};

void putVarLen(Bytes& out, uint32_t v) {
    uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 4);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

class TrackWriter {
public:
    explicit TrackWriter(bool useRunningStatus) : runningStatus(useRunningStatus) {}

    void channel(uint32_t delta, uint8_t status, std::initializer_list<uint8_t> data) {
        putVarLen(body, delta);
        if (!(runningStatus && status == lastStatus)) body.push_back(status);
        lastStatus = status;
        body.insert(body.end(), data.begin(), data.end());
    }
    void meta(uint32_t delta, uint8_t type, const Bytes& data) {
        putVarLen(body, delta);
        body.push_back(0xFF);
        body.push_back(type);
        putVarLen(body, static_cast<uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        lastStatus = 0;  // other decoders differ on status across meta events
    }
    void sysex(uint32_t delta, const Bytes& data) {
        putVarLen(body, delta);
        body.push_back(0xF0);
        putVarLen(body, static_cast<uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        lastStatus = 0;
    }
    Bytes finish(uint32_t delta) {
        meta(delta, 0x2F, {});
        return body;
    }

private:
    Bytes body;
    bool runningStatus;
    uint8_t lastStatus = 0;
};

Bytes textBytes(Random& random, int length) {
    Bytes text;
    for (int i = 0; i < length; ++i) text.push_back(static_cast<uint8_t>(random.between(' ', '~')));
    return text;
}

uint32_t randomDelta(Random& random) {
    switch (random.below(6)) {
        case 0:
            return 0;
        case 1:
            return 60;
        case 2:
            return 120;
        case 3:
            return 240;
        case 4:
            return 480;
        default:
            return static_cast<uint32_t>(random.below(1000));
    }
}

void writeConductorEvents(TrackWriter& track, Random& random, const GeneratorOptions& options) {
    track.meta(0, 0x03, textBytes(random, random.between(3, 20)));
    track.meta(0, 0x51, {0x07, 0xA1, 0x20});
    track.meta(0, 0x58, {0x04, 0x02, 0x18, 0x08});
    track.meta(0, 0x59, {static_cast<uint8_t>(random.between(-7, 7)), static_cast<uint8_t>(random.below(2))});
    if (options.longMeta)
        track.meta(0, 0x01, textBytes(random, random.between(128, std::max(128, options.maxMetaLength))));
    if (options.sysex) track.sysex(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
}

struct Voice {
    int channel;
    int program;
};

int randomKey(Random& random, const GeneratorOptions& options, int channel) {
    if (channel == 9) return random.between(35, 81);
    if (options.highNotes && random.chance(5)) return random.between(120, 127);
    return random.between(24, 100);
}

// Notes of several voices in one track: chords, releases (note-off or note-on
// with velocity 0) and other channel messages between them.
void writeVoices(TrackWriter& track, Random& random, const GeneratorOptions& options,
                 const std::vector<Voice>& voices) {
    std::vector<std::pair<int, int>> sounding;  // channel, key
    for (const Voice& voice : voices) {
        if (options.programChanges)
            track.channel(0, static_cast<uint8_t>(0xC0 | voice.channel),
                          {static_cast<uint8_t>(voice.program)});
    }
    uint32_t pending = 0;
    int written = 0;
    while (written < options.eventsPerTrack) {
        const Voice& voice = voices[static_cast<size_t>(random.below(static_cast<int>(voices.size())))];
        const int choice = random.below(10);
        if (choice < 4) {
            const int chord = random.between(1, std::max(1, options.maxChord));
            for (int i = 0; i < chord; ++i) {
                const int key = randomKey(random, options, voice.channel);
                if (std::find(sounding.begin(), sounding.end(), std::make_pair(voice.channel, key)) !=
                    sounding.end())
                    continue;
                track.channel(pending, static_cast<uint8_t>(0x90 | voice.channel),
                              {static_cast<uint8_t>(key), static_cast<uint8_t>(random.between(1, 127))});
                sounding.emplace_back(voice.channel, key);
                pending = 0;
                ++written;
            }
            pending = randomDelta(random);
        } else if (choice < 8 && !sounding.empty()) {
            const int releases = random.between(1, static_cast<int>(sounding.size()));
            for (int i = 0; i < releases; ++i) {
                const auto note =
                    sounding[static_cast<size_t>(random.below(static_cast<int>(sounding.size())))];
                sounding.erase(std::find(sounding.begin(), sounding.end(), note));
                if (random.chance(50))
                    track.channel(pending, static_cast<uint8_t>(0x80 | note.first),
                                  {static_cast<uint8_t>(note.second), 0x40});
                else
                    track.channel(pending, static_cast<uint8_t>(0x90 | note.first),
                                  {static_cast<uint8_t>(note.second), 0});
                pending = 0;
                ++written;
            }
            pending = randomDelta(random);
        } else if (options.controllers) {
            const uint8_t ch = static_cast<uint8_t>(voice.channel);
            switch (random.below(4)) {
                case 0:
                    track.channel(
                        pending, 0xB0 | ch,
                        {static_cast<uint8_t>(random.below(120)), static_cast<uint8_t>(random.below(128))});
                    break;
                case 1:
                    track.channel(
                        pending, 0xE0 | ch,
                        {static_cast<uint8_t>(random.below(128)), static_cast<uint8_t>(random.below(128))});
                    break;
                case 2:
                    track.channel(pending, 0xD0 | ch, {static_cast<uint8_t>(random.below(128))});
                    break;
                default:
                    if (options.programChanges)
                        track.channel(pending, 0xC0 | ch, {static_cast<uint8_t>(random.below(128))});
                    else
                        track.channel(pending, 0xB0 | ch, {7, static_cast<uint8_t>(random.below(128))});
            }
            pending = random.chance(50) ? 0 : randomDelta(random);
        }
    }
    for (const auto& note : sounding) {
        track.channel(pending, static_cast<uint8_t>(0x80 | note.first),
                      {static_cast<uint8_t>(note.second), 0});
        pending = 0;
    }
    (void)pending;
}

std::vector<Voice> voicesFor(Random& random, const GeneratorOptions& options, int first, int count) {
    std::vector<Voice> voices;
    for (int i = 0; i < count; ++i) {
        int channel = (first + i) % 16;
        if (channel == 9 && !options.drums) channel = 10;
        voices.push_back({channel, random.below(128)});
    }
    return voices;
}

}  // namespace

Bytes generateMidiFile(uint32_t seed, const GeneratorOptions& options) {
    Random random(seed);
    std::vector<Bytes> bodies;
    if (options.format == 0) {
        TrackWriter track(options.runningStatus);
        writeConductorEvents(track, random, options);
        std::vector<Voice> voices = voicesFor(random, options, 0, 3);
        if (options.drums) voices.push_back({9, 0});
        writeVoices(track, random, options, voices);
        bodies.push_back(track.finish(randomDelta(random)));
    } else {
        TrackWriter conductor(options.runningStatus);
        writeConductorEvents(conductor, random, options);
        bodies.push_back(conductor.finish(0));
        for (int t = 1; t < options.trackCount; ++t) {
            TrackWriter track(options.runningStatus);
            const bool drumTrack = options.drums && t == options.trackCount - 1 && options.trackCount > 2;
            std::vector<Voice> voices =
                drumTrack ? std::vector<Voice>{{9, 0}} : voicesFor(random, options, t - 1, 1);
            if (t % 3 == 0 && options.sysex) track.sysex(0, {0x41, 0x10, 0x42, 0x12, 0xF7});
            writeVoices(track, random, options, voices);
            bodies.push_back(track.finish(randomDelta(random)));
        }
    }
    Bytes file = smfHeaderChunk(options.format, static_cast<int>(bodies.size()), options.division);
    for (const Bytes& body : bodies) {
        const Bytes chunk = trackChunk(body);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}
