// The exact voice count comes from the synthesizer's own renders: the
// smallest polyphony is the one below which a render first loses a note, and
// the place of the loss is the first sample that differs.
#include "voice_search.h"

#include <gtest/gtest.h>

#include <vector>

#include "handset_synth.h"
#include "midi_generator.h"
#include "test_support.h"
#include "voice_probe.h"

namespace {
constexpr int Organ = 16;  // holds while the key is down
constexpr int Piano = 0;   // sounds on for hundreds of milliseconds after its note-off

// Keys struck together at buffer 1 and held until buffer 200, and one more
// key from lateBuffer (when not negative).
Bytes chordTune(int program, int keys, int32_t lateBuffer) {
    std::vector<ProbeEvent> events = selectSound(0, ChannelSound{false, static_cast<uint8_t>(program)});
    for (int i = 0; i < keys; ++i) events.push_back({1, noteOn(0, 48 + 2 * i, 100)});
    if (lateBuffer >= 0) events.push_back({lateBuffer, noteOn(0, 84, 100)});
    for (int i = 0; i < keys; ++i) events.push_back({200, noteOff(0, 48 + 2 * i)});
    if (lateBuffer >= 0) events.push_back({200, noteOff(0, 84)});
    return probeTune(events, 200);
}

// Short notes one after another, every `every` buffers, each released after two.
Bytes runOfShortNotes(int program, int notes, int32_t every) {
    std::vector<ProbeEvent> events = selectSound(0, ChannelSound{false, static_cast<uint8_t>(program)});
    for (int i = 0; i < notes; ++i) {
        events.push_back({1 + i * every, noteOn(0, 60 + i % 12, 100)});
        events.push_back({3 + i * every, noteOff(0, 60 + i % 12)});
    }
    return probeTune(events, 3 + notes * every);
}

double bufferSeconds(int32_t buffer) {
    return static_cast<double>(buffer) * VoiceBufferFrames / VoiceSampleRate;
}

void expectInBuffer(int64_t frame, int32_t buffer) {
    EXPECT_GE(frame, int64_t{buffer} * VoiceBufferFrames);
    EXPECT_LT(frame, int64_t{buffer + 1} * VoiceBufferFrames);
}

// The smallest polyphony from which every render equals, found one by one from the top.
int smallestByScan(const VoiceSearch& search) {
    int smallest = handsetSynthFormat().maxVoices;
    while (smallest > 1 && search.firstDifferentFrame(smallest - 1) < 0) --smallest;
    return smallest;
}
}  // namespace

TEST(VoiceSearch, HeldChordsNeedOneVoiceANote) {
    for (int keys : {1, 3, 6}) {
        const Bytes tune = chordTune(Organ, keys, -1);
        const VoiceSearch search(tune);
        ASSERT_TRUE(search.playable());
        EXPECT_EQ(search.smallestEqualPolyphony(), keys) << keys << " keys";
    }
}

TEST(VoiceSearch, ReleasesThatOverlapNeedVoicesOfTheirOwn) {
    // A piano note sounds for about 80 buffers after its note-off, so notes
    // every 10 buffers keep about eight voices busy; the organ frees its
    // voice a buffer after the note-off.
    const Bytes piano = runOfShortNotes(Piano, 20, 10);
    const Bytes organ = runOfShortNotes(Organ, 20, 10);
    const int pianoVoices = VoiceSearch(piano).smallestEqualPolyphony();
    EXPECT_GE(pianoVoices, 8);
    EXPECT_LE(pianoVoices, 10);
    EXPECT_EQ(VoiceSearch(organ).smallestEqualPolyphony(), 1);
}

TEST(VoiceSearch, TheLossIsFoundWhereTheFirstStolenNoteBegins) {
    const Bytes tune = chordTune(Organ, 4, 172);
    const VoiceSearch search(tune);
    EXPECT_EQ(search.smallestEqualPolyphony(), 5);
    EXPECT_LT(search.firstDifferentSeconds(5), 0.0);
    // The fifth key steals a voice in its own buffer.
    expectInBuffer(search.firstDifferentFrame(4), 172);
    EXPECT_GE(search.firstDifferentSeconds(4), bufferSeconds(172));
    EXPECT_LT(search.firstDifferentSeconds(4), bufferSeconds(173));
    // With two voices, two keys of the chord are lost at its start.
    expectInBuffer(search.firstDifferentFrame(2), 1);
}

TEST(VoiceSearch, MoreVoicesNeverLoseMoreNotesSoBisectionFindsTheScansAnswer) {
    for (uint32_t seed : {3u, 11u, 29u}) {
        GeneratorOptions options;
        options.eventsPerTrack = 60;
        options.maxChord = 6;
        const Bytes tune = generateMidiFile(seed, options);
        const VoiceSearch search(tune);
        ASSERT_TRUE(search.playable()) << "seed " << seed;
        const int smallest = search.smallestEqualPolyphony();
        EXPECT_EQ(smallest, smallestByScan(search)) << "seed " << seed;
        for (int polyphony = 1; polyphony < smallest; ++polyphony)
            EXPECT_GE(search.firstDifferentFrame(polyphony), 0) << "seed " << seed << " at " << polyphony;
    }
}

TEST(VoiceSearch, ATuneTheSynthesizerRefusesIsNotPlayable) {
    const Bytes notMidi = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    EXPECT_FALSE(VoiceSearch(notMidi).playable());
}
