#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "event_text_fixture.h"
#include "midi_generator.h"

namespace {
using TrackEvents = std::vector<std::pair<int32_t, Bytes>>;

// Every track's events as delta time and bytes, running status resolved.
std::vector<TrackEvents> decodedEvents(const Bytes& file) {
    std::vector<TrackEvents> tracks;
    if (file.size() < 14 || !loadSource(file, "decoded.mid")) return tracks;
    for (const auto& track : decodeTracks(file[10] << 8 | file[11])) {
        tracks.emplace_back();
        for (const DecodedEvent& event : track) tracks.back().emplace_back(event.delta, event.bytes);
    }
    return tracks;
}

GeneratorOptions optionsFor(uint32_t seed) {
    GeneratorOptions options;
    options.format = seed % 2 == 0 ? 0 : 1;
    options.trackCount = 2 + static_cast<int>(seed % 3);
    options.runningStatus = seed % 4 < 2;
    options.division = seed % 5 == 0 ? 96 : 480;
    options.eventsPerTrack = 100 + static_cast<int>(seed % 7) * 40;
    // An event line holds 338 bytes at most.
    options.maxMetaLength = 330;
    return options;
}

bool hasBareLineFeed(const std::string& text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        if (at == 0 || text[at - 1] != '\r') return true;
    return false;
}

// What the event lines of all texts showed, so the test knows it met every case.
struct Coverage {
    bool drums = false, sharps = false, highNotes = false, longMeta = false, sysex = false;

    void note(const std::string& text) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (line.size() > 15 && line[7] == ':') noteEvent(line.substr(8));
    }

private:
    // "90 O5C# 64 ", "99 ASN 64 ", "90 7F 64 ", "FF 01 81 00 ...", "F0 ..."
    void noteEvent(const std::string& event) {
        longMeta |= event.compare(0, 9, "FF 01 81 ") == 0;
        sysex |= event.compare(0, 3, "F0 ") == 0;
        if (event[0] != '8' && event[0] != '9') return;
        if (event[1] == '9') {
            drums |= event[3] >= 'A' && event[3] <= 'Z';
        } else {
            sharps |= event[6] == '#';
            highNotes |= event[3] == '7';
        }
    }
};
}  // namespace

TEST(EventTextRoundTrip, ExportThenImportKeepsEveryEvent) {
    Coverage coverage;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const Bytes source = generateMidiFile(seed, optionsFor(seed));
        const std::string text = exportedText(source);
        ASSERT_FALSE(text.empty()) << "seed " << seed;
        EXPECT_FALSE(hasBareLineFeed(text)) << "seed " << seed;
        coverage.note(text);

        int status = 0;
        const Bytes imported = importedFile(text, &status);
        EXPECT_EQ(status, 1) << "seed " << seed;
        ASSERT_GE(imported.size(), 14u) << "seed " << seed;
        EXPECT_EQ(Bytes(imported.begin(), imported.begin() + 14), Bytes(source.begin(), source.begin() + 14));
        EXPECT_EQ(decodedEvents(imported), decodedEvents(source)) << "seed " << seed;
    }
    EXPECT_TRUE(coverage.drums && coverage.sharps && coverage.highNotes && coverage.longMeta &&
                coverage.sysex);
}

TEST(EventTextRoundTrip, KeepsDeltaTimesWiderThanTheirColumns) {
    const Bytes source = smfFile(0, 480,
                                 {{0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x64, 0x84, 0xE2, 0xAD, 0x00, 0x80,
                                   0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
    const std::string text = exportedText(source);
    EXPECT_NE(text.find("\r\n268435455:90 O5C 64 \r\n"), std::string::npos) << text;
    EXPECT_EQ(importedFile(text), source);
}
