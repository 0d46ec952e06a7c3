// Conversions of many generated files under every setting, checked for the
// properties that must hold whatever the file: a well-formed result, every
// note kept in its track, times kept or fitted as the setting asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "midi_generator.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
struct TimedEvent {
    int64_t time;
    int32_t kind;
    Bytes bytes;
    bool statusOmitted;  // running status supplied the status byte
};
using Track = std::vector<TimedEvent>;
// time, channel, key, start, velocity of a start (0 for a release)
using NoteFact = std::tuple<int64_t, int, int, bool, int>;

struct Setting {
    int32_t level;
    int32_t noTimeDetect;
    bool channelOptions;
};

// Every track that loads, with absolute times, as the walk delivers them.
struct TrackRecorder : TrackVisitor {
    std::vector<Track> tracks;

    bool beginTrack(const WalkPosition&, bool loaded) {
        if (loaded) tracks.emplace_back();
        return loaded;
    }
    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        tracks.back().push_back({at.tick, reader.kind, Bytes(reader.event, reader.event + reader.eventLength),
                                 reader.event == reader.builtEvent});
        return true;
    }
};

std::vector<Track> readTracks(const Bytes& file) {
    EXPECT_TRUE(loadSource(file, "walked.mid"));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    FilePass pass = defaultFilePass();
    TrackRecorder recorder;
    walkFile(pass, recorder);
    return recorder.tracks;
}

bool isNote(const TimedEvent& e) {
    return e.kind == EVENT_CHANNEL && (e.bytes[0] & 0xE0) == 0x80;
}
bool isStart(const Bytes& m) {
    return (m[0] & 0xF0) == 0x90 && m[2] != 0;
}
bool isEndOfTrack(const TimedEvent& e) {
    return e.bytes == Bytes({0xFF, 0x2F, 0x00});
}

// What a source note must become under the current options.
NoteFact expectedNote(const TimedEvent& e) {
    const int channel = e.bytes[0] & 0x0F;
    int key = e.bytes[1];
    const int shift = ConvertOptions.octaveShift[channel];
    if (shift != 0) key = std::clamp(key + (shift == 1 ? 12 : -12), 0, 127);
    int velocity = 0;
    if (isStart(e.bytes))
        velocity = std::clamp(e.bytes[2] + signedByte(ConvertOptions.velocityOffset[channel]), 1, 127);
    return {e.time, channel, key, isStart(e.bytes), velocity};
}

NoteFact writtenNote(const TimedEvent& e) {
    return {e.time, e.bytes[0] & 0x0F, e.bytes[1], isStart(e.bytes), isStart(e.bytes) ? e.bytes[2] : 0};
}

std::vector<NoteFact> noteFacts(const Track& track, NoteFact (*fact)(const TimedEvent&), bool withTime) {
    std::vector<NoteFact> facts;
    for (const TimedEvent& e : track) {
        if (!isNote(e)) continue;
        facts.push_back(fact(e));
        if (!withTime) std::get<0>(facts.back()) = 0;
    }
    std::sort(facts.begin(), facts.end());
    return facts;
}

// The events other than notes, in order; a source track's first program change
// takes the instrument override of its channel.
std::vector<TimedEvent> otherEvents(const Track& track, bool applyOverride) {
    std::vector<TimedEvent> events;
    bool programSeen = false;
    for (TimedEvent e : track) {
        if (isNote(e)) continue;
        const bool program = e.kind == EVENT_CHANNEL && (e.bytes[0] & 0xF0) == 0xC0;
        const int32_t override = ConvertOptions.instrumentOverride[e.bytes[0] & 0x0F];
        if (applyOverride && program && !programSeen && override != 0)
            e.bytes[1] = static_cast<uint8_t>((override - 1) & 0x7F);
        programSeen = programSeen || program;
        events.push_back(e);
    }
    return events;
}

void expectSameOtherEvents(const Track& source, const Track& output, bool sameTimes) {
    const auto expected = otherEvents(source, true);
    const auto written = otherEvents(output, false);
    ASSERT_EQ(written.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(written[i].bytes, expected[i].bytes) << "event " << i;
        if (sameTimes) {
            EXPECT_EQ(written[i].time, expected[i].time) << "event " << i;
        }
    }
}

// A later track ends at the tune length, or right after its last event when
// that already lies beyond it.
void expectFittedEnd(const Track& output, int32_t tuneLength) {
    ASSERT_GE(output.size(), 2u);
    const int64_t before = output[output.size() - 2].time;
    EXPECT_EQ(output.back().time, std::max<int64_t>(before, tuneLength));
}

// Within a run of notes of one instant no release follows a start.
void expectReleasesFirst(const Track& output) {
    bool startSeen = false;
    for (size_t i = 0; i < output.size(); ++i) {
        if (!isNote(output[i])) {
            startSeen = false;
            continue;
        }
        if (i > 0 && output[i - 1].time != output[i].time) startSeen = false;
        if (startSeen) {
            EXPECT_TRUE(isStart(output[i].bytes)) << "event " << i << " at " << output[i].time;
        }
        startSeen = startSeen || isStart(output[i].bytes);
    }
}

// A release right after a note-on of its channel is a note-on of velocity 0
// that runs on the note-on's status.
void expectReleasesRunOnNoteOn(const Track& output) {
    int lastStatus = 0;
    for (const TimedEvent& e : output) {
        const int status = e.bytes[0];
        const bool afterNoteOnOfChannel =
            (lastStatus & 0xF0) == 0x90 && (status & 0x0F) == (lastStatus & 0x0F);
        if (isNote(e) && !isStart(e.bytes) && afterNoteOnOfChannel) {
            EXPECT_EQ(status, lastStatus);
            EXPECT_EQ(e.bytes[2], 0);
            EXPECT_TRUE(e.statusOmitted);
        }
        lastStatus = status;
    }
}

// The header and chunk sizes of a whole file agree with each other.
void expectWellFormed(const Bytes& output, const Bytes& source) {
    ASSERT_GE(output.size(), 14u);
    EXPECT_EQ(Bytes(output.begin(), output.begin() + 10), Bytes(source.begin(), source.begin() + 10));
    EXPECT_EQ(Bytes(output.begin() + 12, output.begin() + 14),
              Bytes(source.begin() + 12, source.begin() + 14));
    size_t at = 14;
    int chunks = 0;
    while (at + 8 <= output.size() && std::equal(output.begin() + static_cast<long>(at),
                                                 output.begin() + static_cast<long>(at + 4), "MTrk")) {
        at += 8 + ((size_t{output[at + 4]} << 24) | (size_t{output[at + 5]} << 16) |
                   (size_t{output[at + 6]} << 8) | output[at + 7]);
        ++chunks;
    }
    EXPECT_EQ(at, output.size());
    EXPECT_EQ(chunks, output[10] * 256 + output[11]);
}

void applySetting(const Setting& setting) {
    resetConvertOptions();
    ConvertOptions.detectLevel = setting.level;
    ConvertOptions.noTimeDetect = setting.noTimeDetect;
    if (!setting.channelOptions) return;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        ConvertOptions.velocityOffset[channel] = channel % 3 == 0 ? 0 : channel % 3 == 1 ? 0x30 : 0xE0;
        ConvertOptions.octaveShift[channel] = channel % 4 == 0 ? 0 : channel % 4 == 1 ? 1 : -1;
        ConvertOptions.instrumentOverride[channel] = channel % 2 == 0 ? 0 : 150 + channel;
    }
}

std::vector<Setting> everySetting() {
    std::vector<Setting> settings;
    for (int32_t level : {0, 1, 2})
        for (int32_t noTimeDetect : {0, 1})
            for (bool channelOptions : {false, true})
                settings.push_back({level, noTimeDetect, channelOptions});
    return settings;
}

GeneratorOptions optionsFor(uint32_t seed) {
    GeneratorOptions options;
    options.format = seed % 3 == 0 ? 0 : 1;
    options.trackCount = 2 + static_cast<int>(seed % 4);
    options.runningStatus = seed % 2 == 0;
    options.maxChord = 2 + static_cast<int>(seed % 5);
    options.eventsPerTrack = 150;
    return options;
}

// The longest track of the source, rounded up to whole quarter notes.
int32_t fittingTuneLength(const std::vector<Track>& tracks, int32_t division) {
    int64_t longest = 0;
    for (const Track& track : tracks)
        if (!track.empty()) longest = std::max(longest, track.back().time);
    return static_cast<int32_t>((longest + division - 1) / division * division);
}

Bytes convert(const Bytes& source, int32_t tuneLength, const std::string& outputPath) {
    EXPECT_TRUE(loadSource(source));
    EXPECT_EQ(checkSmfHeader(inputFile.data), 1);
    fatalErrors.clear();
    convertMidiFile(outputPath.c_str(), tuneLength);
    EXPECT_TRUE(fatalErrors.empty());
    return readFile(outputPath);
}

void checkConversion(const Bytes& source, const Setting& setting, int32_t tuneLength) {
    applySetting(setting);
    const auto sourceTracks = readTracks(source);
    const Bytes output = convert(source, tuneLength, "property.mid");
    expectWellFormed(output, source);
    const auto outputTracks = readTracks(output);
    ASSERT_EQ(outputTracks.size(), sourceTracks.size());
    const bool sameTimes = setting.noTimeDetect != 0;
    for (size_t t = 0; t < sourceTracks.size(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const Track& written = outputTracks[t];
        EXPECT_EQ(noteFacts(written, writtenNote, sameTimes),
                  noteFacts(sourceTracks[t], expectedNote, sameTimes));
        expectSameOtherEvents(sourceTracks[t], written, sameTimes);
        ASSERT_FALSE(written.empty());
        EXPECT_TRUE(isEndOfTrack(written.back()));
        if (sameTimes) {
            EXPECT_EQ(written.back().time, sourceTracks[t].back().time);
        }
        if (!sameTimes && t > 0) expectFittedEnd(written, tuneLength);
        if (setting.level >= 1) expectReleasesFirst(written);
        if (setting.level >= 2) expectReleasesRunOnNoteOn(written);
    }
}

std::string settingName(const Setting& setting, int32_t tuneLength) {
    return "level " + std::to_string(setting.level) + ", noTimeDetect " +
           std::to_string(setting.noTimeDetect) + (setting.channelOptions ? ", channel options" : "") +
           ", tune " + std::to_string(tuneLength);
}
}  // namespace

TEST(ConversionProperties, HoldForGeneratedFilesUnderEverySetting) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        const GeneratorOptions options = optionsFor(seed);
        const Bytes source = generateMidiFile(seed, options);
        const int32_t fitting = fittingTuneLength(readTracks(source), options.division);
        for (const Setting& setting : everySetting()) {
            for (int32_t tuneLength : {fitting, fitting / 3, 1 << 26}) {
                SCOPED_TRACE("seed " + std::to_string(seed) + ", " + settingName(setting, tuneLength));
                checkConversion(source, setting, tuneLength);
            }
        }
    }
}

TEST(ConversionProperties, DamagedFilesStillGiveWellFormedOutput) {
    uint32_t state = 12345;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        GeneratorOptions options = optionsFor(seed);
        options.eventsPerTrack = 40;
        Bytes source = generateMidiFile(seed, options);
        for (uint32_t flips = 1 + next() % 16; flips > 0; --flips)
            source[SmfHeaderSize + next() % (source.size() - SmfHeaderSize)] = static_cast<uint8_t>(next());
        source.resize(source.size() - next() % 32);
        applySetting(everySetting()[seed % everySetting().size()]);
        SCOPED_TRACE("seed " + std::to_string(seed));
        expectWellFormed(
            convert(source, seed % 5 == 0 ? INT32_MAX : static_cast<int32_t>(next() % 100000), "damaged.mid"),
            source);
    }
}

#ifndef _WIN32
namespace {
// The files as the independent decoder reads them: "file <path>" before the
// events of each, one line per event.
std::string independentDecoding(const std::vector<std::string>& paths) {
    std::string command = "/usr/bin/python3 " + testDataPath("../tools/mido_dump_files.py");
    for (const std::string& path : paths) command += " " + path;
    command += " > decoded.txt";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readText("decoded.txt");
}

// The same lines from this project's reader.
std::string ourDecoding(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text += "file " + path + "\n";
        const auto tracks = readTracks(readFile(path));
        for (size_t t = 0; t < tracks.size(); ++t) {
            int64_t previous = 0;
            for (const TimedEvent& e : tracks[t]) {
                const std::string hex = hexText(e.bytes);
                text += std::to_string(t) + " " + std::to_string(e.time - previous) + " " +
                        std::to_string(e.kind) + " " + hex.substr(0, hex.size() - 1) + "\n";
                previous = e.time;
            }
        }
    }
    return text;
}
}  // namespace

TEST(ConversionProperties, AnIndependentDecoderReadsTheOutputsAsWeDo) {
    std::vector<std::string> paths;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        const Bytes source = generateMidiFile(seed, optionsFor(seed));
        for (const Setting& setting : everySetting()) {
            applySetting(setting);
            const std::string path = "decoded" + std::to_string(paths.size()) + ".mid";
            convert(source, 1920 * 4, path);
            paths.push_back(path);
        }
    }
    const std::string expected = ourDecoding(paths);
    ASSERT_GT(expected.size(), 10000u);
    EXPECT_EQ(independentDecoding(paths), expected);
}
#endif
