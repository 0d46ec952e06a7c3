#include "voice_table_builder.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <sstream>
#include <thread>

#include "voice_probe.h"

namespace {
// How a key's voice ends after a release: after 0, 1 and 100 buffers held.
// Keys of one sample region of a sound share it.
constexpr int32_t SignatureHeld[] = {0, 1, 100};
// Keys heard for lengths that differ by no more than this share a range, which keeps the longest.
constexpr int32_t NaturalTolerance = 2;
// At most this many held times are measured in a band (all of a narrow band).
constexpr int32_t NarrowBand = 12;

struct KeyFacts {
    std::array<int32_t, std::size(SignatureHeld)> signature;
    int32_t loneVoices;   // the polyphony a lone note needs
    bool canTell;         // whether holdsVoice can tell about the key
    int32_t lastAudible;  // lastAudibleBuffer where it can
};

struct SoundRanges {
    std::vector<MeasuredRange> ranges;  // releaseRow indexes rows
    std::vector<ReleaseRow> rows;
};

ChannelSound channelSoundOf(int32_t sound) {
    return sound == DrumKitSound ? ChannelSound{true, 0} : ChannelSound{false, static_cast<uint8_t>(sound)};
}

KeyFacts measureKey(ChannelSound sound, int key) {
    KeyFacts facts{};
    for (size_t i = 0; i < std::size(SignatureHeld); ++i)
        facts.signature[i] = releaseBuffers(sound, key, SignatureHeld[i]);
    facts.loneVoices = voicesOfLoneNote(sound, key, 8);
    facts.canTell = holdsVoiceCanTell(key);
    facts.lastAudible = facts.canTell ? lastAudibleBuffer(sound, key) : -1;
    return facts;
}

// A key the probes cannot tell about takes no voice when its release is over
// at once; else it is taken as one that holds its voice, which never counts
// too few voices.
bool releasesAtOnce(const KeyFacts& facts) {
    return facts.signature[0] <= 2 && facts.signature[1] <= 1 && facts.signature[2] <= 1;
}

// Keys heard for about as long share a range when their release is the same.
bool keysShareRange(const KeyFacts& first, int32_t lowestHeard, int32_t highestHeard, const KeyFacts& next) {
    if (first.signature != next.signature || first.loneVoices != next.loneVoices ||
        first.canTell != next.canTell)
        return false;
    return std::max(highestHeard, next.lastAudible) - std::min(lowestHeard, next.lastAudible) <=
           NaturalTolerance;
}

// Consecutive keys with the same release, voices and time heard share a range.
std::vector<MeasuredRange> groupKeys(int32_t sound, const std::vector<KeyFacts>& keys) {
    std::vector<MeasuredRange> ranges;
    int32_t lowestHeard = 0;
    int32_t highestHeard = 0;
    for (int key = 0; key < static_cast<int>(keys.size()); ++key) {
        const KeyFacts& facts = keys[static_cast<size_t>(key)];
        if (!ranges.empty() && keysShareRange(keys[static_cast<size_t>(ranges.back().firstKey)], lowestHeard,
                                              highestHeard, facts)) {
            ranges.back().lastKey = key;
            lowestHeard = std::min(lowestHeard, facts.lastAudible);
            highestHeard = std::max(highestHeard, facts.lastAudible);
            continue;
        }
        ranges.push_back({sound, key, key, facts.loneVoices, NoNaturalEnd, 0});
        lowestHeard = highestHeard = facts.lastAudible;
    }
    return ranges;
}

// The natural length of a range: the longest of its first and last key and
// the key heard longest, each searched from where it was last heard.
int32_t rangeNatural(ChannelSound sound, const MeasuredRange& range, const std::vector<KeyFacts>& keys) {
    const KeyFacts& first = keys[static_cast<size_t>(range.firstKey)];
    if (!first.canTell) return releasesAtOnce(first) ? 0 : NoNaturalEnd;
    int heardLongest = range.firstKey;
    for (int key = range.firstKey; key <= range.lastKey; ++key)
        if (keys[static_cast<size_t>(key)].lastAudible > keys[static_cast<size_t>(heardLongest)].lastAudible)
            heardLongest = key;
    int32_t natural = 0;
    for (int key : {range.firstKey, range.lastKey, heardLongest}) {
        const int32_t measured = naturalBuffersAfter(sound, key, keys[static_cast<size_t>(key)].lastAudible);
        if (measured == NoNaturalEnd) return NoNaturalEnd;
        natural = std::max(natural, measured);
    }
    return natural;
}

// The held times measured for a band: each held time a note in the band can
// have, and one buffer on either side, or a spread of them in a wide band.
std::vector<int32_t> heldSamples(int32_t band) {
    const int32_t start = HeldBandStarts[band];
    const int32_t low = std::max(start - 1, 0);
    const int32_t high = band + 1 < HeldBandCount ? HeldBandStarts[band + 1] : 2 * start;
    std::vector<int32_t> samples;
    if (high - low <= NarrowBand) {
        for (int32_t held = low; held <= high; ++held) samples.push_back(held);
        return samples;
    }
    const int32_t span = high - low;
    return {low, low + 1, low + span / 4, low + span / 2, low + 3 * span / 4, high};
}

// The longest release in each band; a band whose held times all come after
// the natural end has none, since the voice is free before the release.
ReleaseRow measureReleaseRow(ChannelSound sound, int key, int32_t natural) {
    ReleaseRow row{};
    for (int32_t band = 0; band < HeldBandCount; ++band)
        for (int32_t held : heldSamples(band)) {
            if (natural != NoNaturalEnd && held >= natural) break;
            uint16_t& longest = row[static_cast<size_t>(band)];
            longest = std::max(longest, static_cast<uint16_t>(releaseBuffers(sound, key, held)));
        }
    return row;
}

SoundRanges measureSound(int32_t sound) {
    const ChannelSound channelSound = channelSoundOf(sound);
    std::vector<KeyFacts> keys;
    for (int key = 0; key < 128; ++key) keys.push_back(measureKey(channelSound, key));
    SoundRanges measured{groupKeys(sound, keys), {}};
    for (MeasuredRange& range : measured.ranges) {
        range.naturalBuffers = rangeNatural(channelSound, range, keys);
        if (range.naturalBuffers == 0) range.voices = 0;
        // The range's lowest key plays its sample longest.
        measured.rows.push_back(range.voices == 0
                                    ? ReleaseRow{}
                                    : measureReleaseRow(channelSound, range.firstKey, range.naturalBuffers));
        range.releaseRow = static_cast<int32_t>(measured.rows.size() - 1);
    }
    return measured;
}

std::vector<SoundRanges> measureInParallel(const std::vector<int32_t>& sounds, int workers) {
    std::vector<SoundRanges> results(sounds.size());
    std::atomic<size_t> next{0};
    auto work = [&]() {
        for (size_t i = next++; i < sounds.size(); i = next++) results[i] = measureSound(sounds[i]);
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return results;
}

// Neighbouring ranges that came out alike are one.
void appendRange(std::vector<MeasuredRange>& ranges, const MeasuredRange& range) {
    if (!ranges.empty()) {
        MeasuredRange& last = ranges.back();
        if (last.sound == range.sound && last.voices == range.voices &&
            last.naturalBuffers == range.naturalBuffers && last.releaseRow == range.releaseRow) {
            last.lastKey = range.lastKey;
            return;
        }
    }
    ranges.push_back(range);
}

std::string rowText(const ReleaseRow& row) {
    std::ostringstream text;
    text << "    {";
    for (size_t i = 0; i < row.size(); ++i) text << (i ? ", " : "") << row[i];
    text << "},\n";
    return text.str();
}

std::string rangeText(const MeasuredRange& range) {
    std::ostringstream text;
    text << "    {" << range.sound << ", " << range.firstKey << ", " << range.lastKey << ", " << range.voices
         << ", " << range.naturalBuffers << ", " << range.releaseRow << "},\n";
    return text.str();
}
}  // namespace

std::vector<int32_t> allVoiceSounds() {
    std::vector<int32_t> sounds;
    for (int32_t sound = 0; sound <= DrumKitSound; ++sound) sounds.push_back(sound);
    return sounds;
}

MeasuredVoiceTable measureVoiceTable(const std::vector<int32_t>& sounds, int workers) {
    MeasuredVoiceTable table;
    std::map<ReleaseRow, int32_t> rowIndex;
    // Rows are numbered in the order they first occur, so the table does not
    // depend on which worker measured what.
    for (SoundRanges& measured : measureInParallel(sounds, std::max(workers, 1)))
        for (MeasuredRange range : measured.ranges) {
            const ReleaseRow& row = measured.rows[static_cast<size_t>(range.releaseRow)];
            auto found = rowIndex.emplace(row, static_cast<int32_t>(table.releaseRows.size()));
            if (found.second) table.releaseRows.push_back(row);
            range.releaseRow = found.first->second;
            appendRange(table.ranges, range);
        }
    return table;
}

std::string voiceTableSource(const MeasuredVoiceTable& table, const std::string& command) {
    std::ostringstream text;
    text << "// Generated from the handset synthesizer by tools/voice-table: do not edit.\n"
         << "// Regenerate with: " << command << "\n"
         << "// clang-format off\n"
         << "#include \"playing/voice_release_table.h\"\n\n"
         << "// The release in buffers for each band of time held.\n"
         << "const uint16_t VoiceReleaseRows[][HeldBandCount] = {\n";
    for (const ReleaseRow& row : table.releaseRows) text << rowText(row);
    text << "};\nconst int32_t VoiceReleaseRowCount = " << table.releaseRows.size() << ";\n\n"
         << "// Sound, first key, last key, voices, natural length in buffers (-1: none), release row.\n"
         << "const VoiceKeyRange VoiceKeyRanges[] = {\n";
    for (const MeasuredRange& range : table.ranges) text << rangeText(range);
    text << "};\nconst int32_t VoiceKeyRangeCount = " << table.ranges.size() << ";\n";
    return text.str();
}
