#include "fit/fit_facts.h"

#include <algorithm>
#include <utility>

#include "fit/message_kinds.h"
#include "playing/file_timing.h"
#include "playing/midi_kinds.h"
#include "playing/playing_walk.h"
#include "playing/sounding_notes.h"
#include "playing/tempo_map.h"
#include "playing/voice_count.h"
#include "smf/big_endian.h"
#include "smf/mtrk.h"

namespace {
constexpr int64_t MicrosecondsPerMillisecond = 1000;
constexpr uint16_t AllChannels = 0xFFFF;

bool isWholeChannelMessage(const TrackEvent& event) {
    const uint8_t status = event.bytes[0];
    return isChannelStatus(status) && event.length >= (hasTwoDataBytes(status) ? 3 : 2);
}

// The changes of the tempo in force: a Set Tempo after the first whose value
// differs from the tempo in force.
class TempoChanges {
public:
    explicit TempoChanges(Tally& changesOfFile) : changes(changesOfFile) {}

    void take(int32_t tempo, const EventPlace& place) {
        if (seen && tempo != inForce) changes.add(place);
        seen = true;
        inForce = tempo;
    }

private:
    Tally& changes;
    bool seen = false;
    int32_t inForce = 0;
};

// A note lasts from its note-on to the first note-off, or note-on of
// velocity 0, of its channel and key; a note-on of a sounding key starts a
// note of its own that ends there too. Only the sounding notes are kept.
class NoteLengths {
public:
    NoteLengths(int32_t division, NotesShorterThan& notesOfFile)
        : millisecond(int64_t{division} * MicrosecondsPerMillisecond), shorter(notesOfFile) {}

    void tempo(int64_t tick, int32_t value) { clock.change(tick, value); }

    void note(const NoteEvent& note, const EventPlace& place) {
        std::vector<Start>& starts = sounding[note.channel][note.key];
        const int64_t now = clock.scaledTime(note.tick);
        if (note.on) {
            starts.push_back({now, place});
            return;
        }
        for (const Start& start : starts)
            take(now == TempoMap::Saturated ? now : now - start.scaled, start.place);
        starts.clear();
    }

    // After the last note.
    void finish() {
        for (int32_t fewest = 0; fewest < NearLengths; ++fewest)
            if (near[static_cast<size_t>(fewest)].count != 0)
                shorter[fewest].add(near[static_cast<size_t>(fewest)]);
    }

private:
    struct Start {
        int64_t scaled;
        EventPlace place;
    };
    int64_t millisecond;
    NotesShorterThan& shorter;
    TempoMap clock;
    std::vector<Start> sounding[ChannelCount][KeyCount];
    // Most notes are shorter than a few seconds: those are tallied here, not
    // looked up in the map note by note.
    static constexpr int32_t NearLengths = 4096;
    std::vector<Tally> near = std::vector<Tally>(NearLengths);

    // A note of scaled length is shorter than every whole number of
    // milliseconds past its own.
    void take(int64_t scaled, const EventPlace& start) {
        const int64_t fewest = scaled / millisecond + 1;
        if (fewest >= 0 && fewest < NearLengths)
            near[static_cast<size_t>(fewest)].add(start);
        else if (fewest <= LongestMinNoteMs)
            shorter[static_cast<int32_t>(fewest)].add(start);
    }
};

// The most notes of the counted channels sounding at once, taken after the
// last event of each tick at which a counted note starts.
class PeakCounter {
public:
    explicit PeakCounter(uint16_t countedChannels) : counted(countedChannels) {}

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        NoteEvent note;
        if (noteOf(event, track, tick, note)) take(note);
        return true;
    }

    void take(const NoteEvent& note) {
        if ((counted >> note.channel & 1) == 0) return;
        if (note.tick != now) endTick();
        now = note.tick;
        sounding += notes.apply(note);
        if (note.on) lowestTrack = std::min(lowestTrack, note.track);
    }

    uint16_t channels() const { return counted; }

    PeakNotes result() {
        endTick();
        return peak;
    }

private:
    uint16_t counted;
    SoundingNotes notes;
    PeakNotes peak;
    int32_t sounding = 0;
    int64_t now = 0;
    int32_t lowestTrack = INT32_MAX;  // of the counted note-ons at this tick

    // A count is first reached where a note starts.
    void endTick() {
        if (lowestTrack != INT32_MAX && sounding > peak.count) peak = {sounding, now, lowestTrack};
        lowestTrack = INT32_MAX;
    }
};
// The one walk: everything is counted as it comes, in playing order.
class FitWalk {
public:
    FitWalk(FitFacts& factsOfFile, const std::vector<int32_t>& handsetVoices, bool countVoices)
        : playsVoices(countVoices),
          timing(factsOfFile.bytes, factsOfFile.size),
          voices(timing.timing.division),
          facts(factsOfFile),
          tempoChanges(facts.tempoChanges),
          lengths(facts.division, facts.shortNotes) {
        for (const int32_t count : handsetVoices) voices.countAlsoMuting(count);
    }

    bool playsVoices;
    // The written file's tempos and time signatures, for the places of findings.
    FileTimingReader timing;
    // Of a handset that plays every channel, and of those of handsetVoices
    // that mute by the MIP message.
    VoiceModel voices;

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        timing.onEvent(track, tick, event);
        if (playsVoices) voices.onEvent(track, tick, event.bytes, event.length);
        const EventPlace place{tick, track, rank++};
        countKinds(messageKindsOf(event.bytes, event.length), event.bytes[0], place);
        if (event.kind == EVENT_META) takeMeta(event, place);
        if (event.kind == EVENT_SYSEX) takeSysEx(event);
        if (isWholeChannelMessage(event)) takeChannel(event.bytes, place);
        NoteEvent note;
        if (noteOf(event, track, tick, note)) takeNote(note, place);
        return true;
    }

    // After the last event: the note lengths, and the peaks of notes at once
    // of every channel and, when the MIP message came before any note, of
    // each set of channels a handset of its values plays.
    void finish() {
        lengths.finish();
        voices.finish();
        for (PeakCounter& counter : peaks) facts.keepPeak(counter.channels(), counter.result());
    }

private:
    FitFacts& facts;
    int64_t rank = 0;
    TempoChanges tempoChanges;
    NoteLengths lengths;
    std::vector<PeakCounter> peaks{PeakCounter(AllChannels)};
    bool noteSeen = false;

    void takeNote(const NoteEvent& note, const EventPlace& place) {
        noteSeen = true;
        if (facts.division > 0) lengths.note(note, place);
        for (PeakCounter& counter : peaks) counter.take(note);
    }

    // Each value's channels: those whose MIP is at most the value.
    void countMipChannels() {
        for (const SpMidiEntry& limit : facts.mips) {
            uint16_t channels = 0;
            for (const SpMidiEntry& entry : facts.mips)
                if (entry.mip <= limit.mip) channels = static_cast<uint16_t>(channels | 1u << entry.channel);
            const bool counted = std::any_of(peaks.begin(), peaks.end(), [channels](const PeakCounter& c) {
                return c.channels() == channels;
            });
            if (!counted) peaks.emplace_back(channels);
        }
    }

    // The first kinds are counted per channel, the others in channels[0].
    void countKinds(uint8_t kinds, uint8_t status, const EventPlace& place) {
        if (kinds == 0) return;
        for (int k = 0; k < MessageKindCount; ++k)
            if (isOfKind(kinds, static_cast<MessageKind>(k)))
                facts.messages[k][k < ChannelMessageKindCount ? statusChannel(status) : 0].add(place);
    }

    void takeMeta(const TrackEvent& event, const EventPlace& place) {
        if (event.length < 3) return;
        int32_t tempo = 0;
        if (isCheckedSetTempo(event.bytes, event.length, tempo)) {
            tempoChanges.take(tempo, place);
            lengths.tempo(place.tick, tempo);
        }
    }

    void takeSysEx(const TrackEvent& event) {
        const SysExKind kind = sysExKind(event.bytes, event.length);
        if (kind != SysExKind::MipMessage) return;
        if (!facts.hasMipMessage) facts.mips = spMidiMessageEntries(event.bytes, event.length);
        if (!facts.hasMipMessage && !noteSeen) countMipChannels();
        facts.hasMipMessage = true;
    }

    void takeChannel(const uint8_t* m, const EventPlace& place) {
        const int channel = statusChannel(m[0]);
        switch (statusType(m[0])) {
            case StatusNoteOn:
                if (m[2] != 0) facts.keys[channel][m[1] & 0x7F].add(place);
                break;
            case StatusControlChange:
                if (m[1] == ControllerBankSelect && m[2] == DrumBankMsb) facts.drumBanks[channel].add(place);
                break;
            default:
                break;
        }
    }
};

}  // namespace

FitFacts::FitFacts(const uint8_t* fileBytes, size_t fileSize)
    : FitFacts(fileBytes, fileSize, fileBytes, fileSize) {}

FitFacts::FitFacts(const uint8_t* fileBytes, size_t fileSize, const uint8_t* sourceBytes,
                   size_t sourceBytesSize, const std::vector<int32_t>& handsetVoices,
                   const std::map<int32_t, VoiceCount>* knownVoices)
    : bytes(fileBytes), size(fileSize), source(sourceBytes), sourceSize(sourceBytesSize) {
    if (fileSize >= static_cast<size_t>(SmfHeaderSize) && std::equal(fileBytes, fileBytes + 4, "MThd")) {
        format = static_cast<int32_t>(bigEndian16(fileBytes + FormatOffset));
        tracks = static_cast<int32_t>(bigEndian16(fileBytes + TrackCountOffset));
        division = static_cast<int32_t>(bigEndian16(fileBytes + DivisionOffset));
    }
    const auto known = [knownVoices](int32_t count) { return knownVoices->count(count) != 0; };
    const bool allKnown = knownVoices != nullptr && known(NoMipMuting) &&
                          std::all_of(handsetVoices.begin(), handsetVoices.end(), known);
    if (allKnown) voicePeaks = *knownVoices;
    FitWalk walk(*this, handsetVoices, !allKnown);
    walkInPlayingOrder(fileBytes, fileSize, walk);
    walk.finish();
    writtenTiming = std::move(walk.timing.timing);
    if (allKnown) return;
    voicePeaks[NoMipMuting] = walk.voices.peak();
    for (const int32_t count : handsetVoices)
        if (const VoiceCount* peak = walk.voices.peakMuting(count)) voicePeaks[count] = *peak;
}

void FitFacts::keepPeak(uint16_t counted, const PeakNotes& peak) const {
    peaks[counted] = peak;
}

PeakNotes FitFacts::peakNotes(uint16_t counted) const {
    if (counted == 0) return PeakNotes();
    const auto kept = peaks.find(counted);
    if (kept != peaks.end()) return kept->second;
    PeakCounter counter(counted);
    walkInPlayingOrder(bytes, size, counter);
    const PeakNotes peak = counter.result();
    keepPeak(counted, peak);
    return peak;
}

VoiceCount FitFacts::peakVoices(int32_t mipVoices) const {
    const auto known = voicePeaks.find(mipVoices);
    if (known != voicePeaks.end()) return known->second;
    return voicePeaks[mipVoices] = playVoiceModel(bytes, size, mipVoices).peak();
}

std::string FitFacts::placeOf(const EventPlace& place) const {
    if (!places) {
        const bool ownSource = source == bytes && sourceSize == size;
        places = std::make_unique<FindingPlace>(
            writtenTiming, ownSource ? writtenTiming : readFileTiming(source, sourceSize));
    }
    return places->at(place.track, place.tick);
}
