#include "fit/fit_facts.h"

#include <algorithm>
#include <utility>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/midi_kinds.h"
#include "playing/sounding_notes.h"
#include "playing/tempo_map.h"
#include "playing/voice_count.h"
#include "smf/big_endian.h"

namespace {
constexpr int32_t TempoEventLength = sizeof PATTERN_TEMPO + SetTempoLength;

bool isWholeChannelMessage(const MTrk& reader) {
    const uint8_t status = reader.event[0];
    return isChannelStatus(status) && reader.eventLength >= (hasTwoDataBytes(status) ? 3 : 2);
}

// Words and a maker's data: bytes a handset never plays.
bool isTextEvent(uint8_t type) {
    const MetaKind kind = metaKind(type);
    return kind == MetaKind::Text || kind == MetaKind::SequencerSpecific;
}

// The one walk: notes and tempos go onto their tracks for the time lines,
// everything else is counted as it comes.
class FitWalk : public TrackVisitor {
public:
    explicit FitWalk(FitFacts& factsOfFile) : facts(factsOfFile) {}

    NoteCollector notes;
    std::vector<std::vector<TempoEvent>> tempos;

    bool beginTrack(const WalkPosition& at, bool loaded) {
        if (loaded) tempos.emplace_back();
        return notes.beginTrack(at, loaded);
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        const EventPlace place{at.tick, at.track, rank++};
        if (reader.kind == EVENT_META) takeMeta(reader, place);
        if (reader.kind == EVENT_SYSEX) takeSysEx(reader, place);
        if (isWholeChannelMessage(reader)) takeChannel(reader.event, place);
        return notes.onEvent(reader, at);
    }

private:
    FitFacts& facts;
    int64_t rank = 0;

    void count(MessageKind kind, int channel, const EventPlace& place) {
        facts.messages[static_cast<int>(kind)][channel].add(place);
    }

    void takeMeta(const MTrk& reader, const EventPlace& place) {
        if (reader.eventLength < 3) return;
        if (isTextEvent(reader.event[1])) count(MessageKind::TextEvents, 0, place);
        if (reader.matches(PATTERN_TEMPO, sizeof PATTERN_TEMPO) && reader.eventLength >= TempoEventLength) {
            const auto tempo =
                static_cast<int32_t>(bigEndianValue(reader.event + sizeof PATTERN_TEMPO, SetTempoLength));
            tempos.back().push_back({place.tick, place.track, tempo});
        }
    }

    void takeSysEx(const MTrk& reader, const EventPlace& place) {
        const SysExKind kind = sysExKind(reader.event, reader.eventLength);
        if (kind == SysExKind::MipMessage) {
            if (!facts.hasMipMessage) facts.mips = spMidiMessageEntries(reader.event, reader.eventLength);
            facts.hasMipMessage = true;
            return;
        }
        // GM System On only sets the synthesizer up.
        if (kind == SysExKind::GmSystemOn) return;
        count(MessageKind::SysEx, 0, place);
        if (kind == SysExKind::MasterVolume) count(MessageKind::MasterVolume, 0, place);
    }

    void takeChannel(const uint8_t* m, const EventPlace& place) {
        const int channel = statusChannel(m[0]);
        switch (statusType(m[0])) {
            case StatusNoteOn:
                if (m[2] != 0) facts.keys[channel][m[1] & 0x7F].add(place);
                break;
            case StatusPolyPressure:
                count(MessageKind::PolyPressure, channel, place);
                break;
            case StatusControlChange:
                takeController(channel, m[1], m[2], place);
                break;
            case StatusChannelPressure:
                count(MessageKind::ChannelPressure, channel, place);
                break;
            case StatusPitchBend:
                count(MessageKind::PitchBend, channel, place);
                break;
            default:
                break;
        }
    }

    void takeController(int channel, uint8_t controller, uint8_t value, const EventPlace& place) {
        if (controller == ControllerPan) count(MessageKind::Pan, channel, place);
        if (controller == ControllerBankSelect || controller == ControllerBankSelectLow)
            count(MessageKind::BankSelect, channel, place);
        if (controller == ControllerBankSelect && value == DrumBankMsb) facts.drumBanks[channel].add(place);
    }
};

// A tempo change is a Set Tempo after the line's first whose value differs
// from the tempo in force.
void countTempoChanges(const std::vector<TempoEvent>& line, Tally& changes) {
    for (size_t i = 1, inForce = 0; i < line.size(); ++i) {
        if (line[i].tempo == line[inForce].tempo) continue;
        changes.add(EventPlace{line[i].tick, line[i].track, static_cast<int64_t>(i)});
        inForce = i;
    }
}

// A note lasts from its note-on to the first note-off, or note-on of
// velocity 0, of its channel and key; a note-on of a sounding key starts a
// note of its own that ends there too.
void measureNoteLengths(const NoteTrack& line, const TempoMap& clock, std::vector<NoteLength>& lengths) {
    struct Start {
        int64_t scaled;
        EventPlace place;
    };
    std::vector<std::vector<Start>> sounding(ChannelCount * KeyCount);
    lengths.reserve(lengths.size() + line.size() / 2);  // a note-on and a release each, as a rule
    for (size_t i = 0; i < line.size(); ++i) {
        const NoteEvent& note = line[i];
        std::vector<Start>& starts = sounding[static_cast<size_t>(note.channel * KeyCount + note.key)];
        const int64_t now = clock.scaledTime(note.tick);
        if (note.on) {
            starts.push_back({now, EventPlace{note.tick, note.track, static_cast<int64_t>(i)}});
            continue;
        }
        for (const Start& start : starts)
            lengths.push_back({now == TempoMap::Saturated ? now : now - start.scaled, start.place});
        starts.clear();
    }
}
}  // namespace

FitFacts::FitFacts(const uint8_t* bytes, size_t fileSize) : FitFacts(bytes, fileSize, bytes, fileSize) {}

FitFacts::FitFacts(const uint8_t* bytes, size_t fileSize, const uint8_t* source, size_t sourceSize)
    : size(fileSize), places(bytes, fileSize, source, sourceSize), tune(bytes) {
    BytesPass pass(bytes, fileSize);
    FitWalk walk(*this);
    walkFile(pass.pass(), walk);
    format = pass.pass().header.format;
    division = pass.pass().header.division;
    noteLines = timeLines(format, std::move(walk.notes.tracks));
    const std::vector<std::vector<TempoEvent>> tempoLines = timeLines(format, std::move(walk.tempos));
    for (size_t k = 0; k < tempoLines.size(); ++k) {
        countTempoChanges(tempoLines[k], tempoChanges);
        if (division > 0) measureNoteLengths(noteLines[k], TempoMap(tempoLines[k]), noteLengths);
    }
}

PeakNotes FitFacts::peakNotes(uint16_t counted) const {
    PeakNotes peak;
    for (const NoteTrack& line : noteLines) {
        SoundingNotes sounding;
        int32_t now = 0;
        int32_t lowestTrack = INT32_MAX;  // of the counted note-ons at this tick
        for (size_t i = 0; i < line.size(); ++i) {
            const NoteEvent& note = line[i];
            if ((counted >> note.channel & 1) != 0) {
                now += sounding.apply(note);
                if (note.on) lowestTrack = std::min(lowestTrack, note.track);
            }
            if (i + 1 < line.size() && line[i + 1].tick == note.tick) continue;
            // A count is first reached where a note starts; format 2's time
            // lines compare by tick, then track.
            const bool startsHere = lowestTrack != INT32_MAX;
            const bool earlier =
                note.tick < peak.tick || (note.tick == peak.tick && lowestTrack < peak.track);
            if (startsHere && (now > peak.count || (now == peak.count && earlier)))
                peak = {now, note.tick, lowestTrack};
            lowestTrack = INT32_MAX;
        }
    }
    return peak;
}

VoiceCount FitFacts::peakVoices(int32_t mipVoices) const {
    return playVoiceModel(tune, size, mipVoices).peak();
}
