// Plays converted tunes on the handset synthesizer library: with the MIP
// message, a synthesizer of P voices must sound exactly as if the channels
// whose MIP is above P had no notes, and at the largest MIP every channel plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "converted_file.h"
#include "file_pass.h"
#include "convert_options.h"
#include "delta_time.h"
#include "fatal_error_recorder.h"
#include "mtrk.h"
#include "smf_header.h"
#include "sp_midi.h"
#include "test_support.h"
#include "vfile.h"

extern "C" {
#include <eas.h>
}

namespace {
constexpr int Division = 480;
constexpr int StepTicks = 240;
constexpr int Steps = 8;
constexpr int MaxSynthVoices = 64;
constexpr int MaxRenderBuffers = 20000;  // far beyond any tune here: a stuck render ends

struct TuneShape {
    uint32_t seed;
    int format;
    std::vector<int> channels;
    int maxChord;
    std::vector<int> priority;
};

void PrintTo(const TuneShape& shape, std::ostream* out) {
    *out << "seed " << shape.seed << ", format " << shape.format << ", " << shape.channels.size()
         << " channels";
}

struct TimedEvent {
    int32_t tick;
    Bytes bytes;
};

// A track body of the events in time order, with full status bytes.
Bytes trackBody(std::vector<TimedEvent> events) {
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
    Bytes body;
    int32_t now = 0;
    uint8_t delta[DeltaTime::MaxBytes];
    for (const TimedEvent& event : events) {
        body.insert(body.end(), delta, delta + encodeVarLen(event.tick - now, delta));
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        now = event.tick;
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return body;
}

// Every channel its own program; each chord ends before the channel's next one starts.
std::vector<TimedEvent> channelPart(std::mt19937& random, int channel, int index, int maxChord) {
    const uint8_t status = static_cast<uint8_t>(channel);
    std::vector<TimedEvent> part = {
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

Bytes generateTune(const TuneShape& shape) {
    std::mt19937 random(shape.seed);
    std::vector<Bytes> bodies;
    std::vector<TimedEvent> all;
    for (size_t i = 0; i < shape.channels.size(); ++i) {
        const std::vector<TimedEvent> part =
            channelPart(random, shape.channels[i], static_cast<int>(i), shape.maxChord);
        if (shape.format == 0)
            all.insert(all.end(), part.begin(), part.end());
        else
            bodies.push_back(trackBody(part));
    }
    if (shape.format == 0) return smfFile(0, Division, {trackBody(all)});
    bodies.insert(bodies.begin(), Bytes{0x00, 0xFF, 0x2F, 0x00});
    return smfFile(1, Division, bodies);
}

// The tune as the programs make it with SP-MIDI output on (or off).
Bytes convertInMemory(const Bytes& source, bool spMidi, const std::vector<int>& priority,
                      std::vector<SpMidiEntry>& entries) {
    EXPECT_TRUE(loadSource(source));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    FilePass pass = defaultFilePass();
    pass.spMidi.enabled = spMidi ? 1 : 0;
    pass.spMidi.priority = priority;
    ConvertedFile made;
    EXPECT_TRUE(makeConvertedFile(pass, Steps * StepTicks, made).ok());
    entries = made.mips;
    return made.bytes;
}

Bytes convertWithMips(const Bytes& source, const std::vector<int>& priority,
                      std::vector<SpMidiEntry>& entries) {
    return convertInMemory(source, true, priority, entries);
}

// The same file without the notes of the given channels; a left-out note's
// delta time goes to the next event, so every other event keeps its time.
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

int readAt(void* handle, void* buffer, int offset, int size) {
    const Bytes& bytes = *static_cast<const Bytes*>(handle);
    if (offset < 0 || size < 0 || static_cast<size_t>(offset) >= bytes.size()) return 0;
    const size_t n = std::min(static_cast<size_t>(size), bytes.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, n);
    return static_cast<int>(n);
}

int sizeOf(void* handle) {
    return static_cast<int>(static_cast<const Bytes*>(handle)->size());
}

// The whole PCM of the file played at the given synthesizer polyphony.
std::vector<EAS_PCM> render(const Bytes& file, int polyphony) {
    std::vector<EAS_PCM> pcm;
    EAS_DATA_HANDLE synth = nullptr;
    if (EAS_Init(&synth) != EAS_SUCCESS) {
        ADD_FAILURE() << "EAS_Init";
        return pcm;
    }
    const S_EAS_LIB_CONFIG* config = EAS_Config();
    EAS_FILE locator = {const_cast<Bytes*>(&file), readAt, sizeOf};
    EAS_HANDLE stream = nullptr;
    if (EAS_OpenFile(synth, &locator, &stream) != EAS_SUCCESS || EAS_Prepare(synth, stream) != EAS_SUCCESS ||
        EAS_SetSynthPolyphony(synth, 0, polyphony) != EAS_SUCCESS) {
        ADD_FAILURE() << "cannot play the file at polyphony " << polyphony;
    } else {
        std::vector<EAS_PCM> buffer(static_cast<size_t>(config->mixBufferSize * config->numChannels));
        for (int i = 0; i < MaxRenderBuffers; ++i) {
            EAS_I32 generated = 0;
            if (EAS_Render(synth, buffer.data(), config->mixBufferSize, &generated) != EAS_SUCCESS) break;
            pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + generated * config->numChannels);
            EAS_STATE state = EAS_STATE_PLAY;
            EAS_State(synth, stream, &state);
            if (state == EAS_STATE_STOPPED || state == EAS_STATE_ERROR) break;
        }
    }
    if (stream != nullptr) EAS_CloseFile(synth, stream);
    EAS_Shutdown(synth);
    return pcm;
}

class SpMidiRender : public ::testing::TestWithParam<TuneShape> {
protected:
    void SetUp() override {
        resetConvertOptions();
        ConvertOptions.detectLevel = 1;
        ConvertOptions.noTimeDetect = 0;
        fatalErrors.clear();
    }
};

std::set<int> channelsAbove(const std::vector<SpMidiEntry>& entries, int polyphony) {
    std::set<int> channels;
    for (const SpMidiEntry& entry : entries)
        if (entry.mip > polyphony) channels.insert(entry.channel);
    return channels;
}
}  // namespace

TEST_P(SpMidiRender, TheSynthesizerMutesExactlyTheChannelsAboveItsPolyphony) {
    std::vector<SpMidiEntry> entries;
    const Bytes converted = convertWithMips(generateTune(GetParam()), GetParam().priority, entries);
    ASSERT_TRUE(fatalErrors.empty());
    ASSERT_EQ(entries.size(), GetParam().channels.size());
    const int smallest = entries.front().mip;
    const int largest = entries.back().mip;
    ASSERT_LE(largest, MaxSynthVoices);
    ASSERT_LT(smallest, largest) << "a tune whose channels all share one MIP proves little";

    for (int polyphony = smallest; polyphony <= largest; ++polyphony) {
        const std::vector<EAS_PCM> played = render(converted, polyphony);
        ASSERT_FALSE(played.empty());
        EXPECT_TRUE(played == render(withoutNotes(converted, channelsAbove(entries, polyphony)), polyphony))
            << "polyphony " << polyphony;
    }
    const std::vector<EAS_PCM> full = render(converted, largest);
    for (const SpMidiEntry& entry : entries)
        EXPECT_FALSE(full == render(withoutNotes(converted, {entry.channel}), largest))
            << "ch" << entry.channel;
}

TEST_P(SpMidiRender, WithoutTheMessageTheSmallSynthesizerPlaysOtherwise) {
    std::vector<SpMidiEntry> entries;
    const Bytes converted = convertWithMips(generateTune(GetParam()), GetParam().priority, entries);
    ASSERT_FALSE(entries.empty());
    const int smallest = entries.front().mip;
    std::vector<SpMidiEntry> none;
    const Bytes plain = convertInMemory(generateTune(GetParam()), false, GetParam().priority, none);
    EXPECT_FALSE(render(plain, smallest) ==
                 render(withoutNotes(converted, channelsAbove(entries, smallest)), smallest));
}

INSTANTIATE_TEST_SUITE_P(GeneratedTunes, SpMidiRender,
                         ::testing::Values(TuneShape{1, 1, {0, 1, 2}, 3, {}},
                                           TuneShape{2, 1, {9, 3, 4, 10}, 4, {}},
                                           TuneShape{3, 0, {1, 2, 5, 6}, 3, {}},
                                           TuneShape{4, 1, {0, 1, 2, 3, 4}, 4, {2, 0}}));
