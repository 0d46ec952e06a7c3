// The walk of all tracks together in playing order, straight from the bytes:
// the order of ties, every format alike, running status kept per track, and
// damaged files that stop where the track reader stops.
#include "playing/playing_walk.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "smf/mtrk.h"
#include "test_support.h"

namespace {
struct Seen {
    int32_t track;
    int64_t tick;
    int32_t kind;
    Bytes bytes;
    bool operator==(const Seen& other) const {
        return track == other.track && tick == other.tick && kind == other.kind && bytes == other.bytes;
    }
};

void PrintTo(const Seen& seen, std::ostream* out) {
    *out << "track " << seen.track << " tick " << seen.tick << " kind " << seen.kind << ": "
         << hexText(seen.bytes);
}

class Recorder {
public:
    explicit Recorder(size_t stopAfter = SIZE_MAX) : limit(stopAfter) {}

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        seen.push_back({track, tick, event.kind, Bytes(event.bytes, event.bytes + event.length)});
        return seen.size() < limit;
    }

    std::vector<Seen> seen;

private:
    size_t limit;
};

std::vector<Seen> walked(const Bytes& file) {
    Recorder recorder;
    EXPECT_TRUE(walkInPlayingOrder(file.data(), file.size(), recorder));
    return recorder.seen;
}

// The .mid files of a folder, if it is there.
void addMidiFiles(const std::string& folder, std::vector<std::string>& tunes) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".mid") tunes.push_back(folder + name);
    }
    closedir(listing);
}

// The track reader's events of the loaded source, track by track, each
// track begun without running status as a handset begins it.
std::vector<std::vector<Seen>> readerTracks(int32_t trackCount) {
    std::vector<std::vector<Seen>> tracks;
    for (const std::vector<DecodedEvent>& events : decodeTracks(trackCount, true)) {
        const auto track = static_cast<int32_t>(tracks.size());
        tracks.emplace_back();
        int64_t tick = 0;
        for (const DecodedEvent& event : events)
            tracks.back().push_back({track, tick += event.delta, event.kind, event.bytes});
    }
    return tracks;
}

const Bytes End = {0x00, 0xFF, 0x2F, 0x00};
const Bytes EndEvent = {0xFF, 0x2F, 0x00};
}  // namespace

TEST(PlayingWalk, TiesGoToTheLowerTrackAndEachTrackKeepsItsOrder) {
    // Track 0: A at 0, B at 10; track 1: C at 0, D at 10, E at 10; track 2: F at 5.
    const Bytes first = {0x00, 0x90, 0x3C, 0x64, 0x0A, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes second = {0x00, 0x91, 0x40, 0x64, 0x0A, 0x81, 0x40, 0x40,
                          0x00, 0x91, 0x41, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes third = {0x05, 0xC2, 0x07, 0x00, 0xFF, 0x2F, 0x00};
    const std::vector<Seen> expected = {{0, 0, EVENT_CHANNEL, {0x90, 0x3C, 0x64}},
                                        {1, 0, EVENT_CHANNEL, {0x91, 0x40, 0x64}},
                                        {2, 5, EVENT_CHANNEL, {0xC2, 0x07}},
                                        {2, 5, EVENT_META, EndEvent},
                                        {0, 10, EVENT_CHANNEL, {0x80, 0x3C, 0x40}},
                                        {0, 10, EVENT_META, EndEvent},
                                        {1, 10, EVENT_CHANNEL, {0x81, 0x40, 0x40}},
                                        {1, 10, EVENT_CHANNEL, {0x91, 0x41, 0x64}},
                                        {1, 10, EVENT_META, EndEvent}};
    EXPECT_EQ(walked(smfFile(1, 480, {first, second, third})), expected);
    // The synthesizer does not read the format field: format 0 and 2 files
    // with the same tracks play them together alike.
    EXPECT_EQ(walked(smfFile(2, 480, {first, second, third})), expected);
    EXPECT_EQ(walked(smfFile(0, 480, {first, second, third})), expected);
}

TEST(PlayingWalk, RunningStatusIsEachTracksOwnAcrossTheMerge) {
    // Both tracks use running status, interleaved tick by tick; track 1's
    // second event has data bytes under the status of its own first event,
    // never under track 0's, and track 2 has data bytes with no status at all.
    const Bytes noteOns = {0x00, 0x90, 0x3C, 0x64, 0x02, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes bends = {0x01, 0xE1, 0x00, 0x40, 0x02, 0x10, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes noStatus = {0x01, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const std::vector<Seen> expected = {
        {0, 0, EVENT_CHANNEL, {0x90, 0x3C, 0x64}},   {1, 1, EVENT_CHANNEL, {0xE1, 0x00, 0x40}},
        {2, 1, EVENT_NO_STATUS, {0x80, 0x3C, 0x40}}, {2, 1, EVENT_META, EndEvent},
        {0, 2, EVENT_CHANNEL, {0x90, 0x3E, 0x64}},   {0, 2, EVENT_META, EndEvent},
        {1, 3, EVENT_CHANNEL, {0xE1, 0x10, 0x40}},   {1, 3, EVENT_META, EndEvent}};
    EXPECT_EQ(walked(smfFile(1, 96, {noteOns, bends, noStatus})), expected);
}

TEST(PlayingWalk, ADamagedTrackStopsAloneAndNothingIsReadPastTheBytes) {
    // A cut-off last event ends its track; the other track plays on.
    const Bytes cut = {0x00, 0x90, 0x3C, 0x64, 0x05, 0xFF, 0x03, 0x10, 0x41};
    const Bytes whole = {0x0A, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(walked(smfFile(1, 96, {cut, whole})),
              (std::vector<Seen>{{0, 0, EVENT_CHANNEL, {0x90, 0x3C, 0x64}},
                                 {1, 10, EVENT_CHANNEL, {0xC0, 0x01}},
                                 {1, 10, EVENT_META, EndEvent}}));
    // A track chunk that announces more than the file holds is cut to what
    // is there, its last event with it; other chunks are stepped over.
    Bytes file =
        concat({smfHeaderChunk(1, 2, 96),
                {'X', 'Y', 'Z', 'W', 0, 0, 0, 1, 0x55},
                trackChunk(End),
                {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F}});
    EXPECT_EQ(walked(file),
              (std::vector<Seen>{{0, 0, EVENT_META, EndEvent}, {1, 0, EVENT_CHANNEL, {0x90, 0x3C, 0x64}}}));
    // The header's count is the most tracks read; fewer chunks are fewer tracks.
    const Bytes twoTracks = smfFile(1, 96, {End, whole});
    Bytes announcesOne = twoTracks;
    announcesOne[11] = 1;
    EXPECT_EQ(walked(announcesOne).size(), 1u);
    Bytes announcesNine = twoTracks;
    announcesNine[11] = 9;
    EXPECT_EQ(walked(announcesNine), walked(twoTracks));
    // Every cut of a file, at every length, walks without reading past it.
    for (size_t length = 0; length <= twoTracks.size(); ++length) {
        const Bytes cutFile(twoTracks.begin(), twoTracks.begin() + static_cast<std::ptrdiff_t>(length));
        Recorder recorder;
        EXPECT_TRUE(walkInPlayingOrder(cutFile.data(), cutFile.size(), recorder));
    }
    EXPECT_TRUE(walked(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96}).empty());
}

TEST(PlayingWalk, AVisitorEndsTheWalk) {
    const Bytes notes = {0x00, 0x90, 0x3C, 0x64, 0x00, 0x3E, 0x64, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes file = smfFile(0, 96, {notes});
    Recorder two(2);
    EXPECT_FALSE(walkInPlayingOrder(file.data(), file.size(), two));
    EXPECT_EQ(two.seen.size(), 2u);
}

TEST(PlayingWalk, ReadsEachTrackAsTheTrackReaderReadsItAlone) {
    std::vector<std::string> tunes = {testDataPath("report_sample.mid"), testDataPath("alien_chunk.mid")};
    addMidiFiles(testDataPath("regressions/"), tunes);
    addMidiFiles("/usr/share/games/openttd/baseset/openmsx/", tunes);
    for (const std::string& tune : tunes) {
        const Bytes file = readFile(tune);
        ASSERT_TRUE(loadSource(file)) << tune;
        const std::vector<std::vector<Seen>> tracks =
            readerTracks(static_cast<int32_t>(file[10] << 8 | file[11]));
        std::vector<std::vector<Seen>> byTrack(tracks.size());
        int64_t lastTick = 0;
        for (const Seen& seen : walked(file)) {
            EXPECT_LE(lastTick, seen.tick) << tune;
            lastTick = seen.tick;
            ASSERT_LT(static_cast<size_t>(seen.track), tracks.size()) << tune;
            byTrack[static_cast<size_t>(seen.track)].push_back(seen);
        }
        EXPECT_EQ(byTrack, tracks) << tune;
    }
}
