#include "slim/slim_writer.h"

#include <algorithm>

#include "playing/handset_reading.h"
#include "playing/midi_kinds.h"
#include "slim/slim_rules.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// An empty SysEx packet: the synthesizer reads it and does nothing, but its
// clock steps to its tick as it did to the End of Track it stands for.
constexpr uint8_t EmptyPacket[] = {StatusSysExContinuation, 0x00};
}  // namespace

SlimWriter::SlimWriter(const SlimSurvey& surveyed, SlimLayout chosen, bool leaveOutUnheard)
    : survey(surveyed),
      layout(chosen),
      leaveOut(leaveOutUnheard || chosen == SlimLayout::Tracks),
      tracks(surveyed.tracks.size()) {
    if (layout == SlimLayout::Tracks) {
        for (const SurveyedTrack& track : survey.tracks)
            encoders.push_back(std::make_unique<TrackEncoder>(true, track.eventBytes, track.eventCount));
        return;
    }
    // The merged track holds an empty packet at most where each track ends, and one End of Track.
    const auto trackEnds = static_cast<size_t>(survey.trackCount());
    encoders.push_back(std::make_unique<TrackEncoder>(
        leaveOut, survey.allEventBytes() + trackEnds * sizeof EmptyPacket + sizeof PATTERN_END_OF_TRACK,
        survey.allEvents() + trackEnds + 1));
}

void SlimWriter::onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
    TrackState& state = tracks[static_cast<size_t>(track)];
    // What follows a track's end is never even read.
    if (state.ended) return;
    const bool endOfTrack = endsTrackOnAHandset(event.bytes, event.length);
    state.ended = endOfTrack;
    if (tickOpen && ticks.back().tick != tick) closeTick();
    if (!tickOpen) {
        ticks.push_back({tick, pending.size(), pending.size(), 0});
        tickOpen = true;
    }
    pending.push_back({tick, track, event.kind, pendingBytes.size(), event.length, ticks.size() - 1, false,
                       endOfTrack, true});
    pendingBytes.insert(pendingBytes.end(), event.bytes, event.bytes + event.length);
    ticks.back().end = pending.size();
    if (staysInLayout(pending.back())) ++ticks.back().staying;
    if (leaveOut) visit(pending.size() - 1, event.bytes);
    if (endOfTrack) closeMessage(state);
}

// One track holds one End of Track, at the latest of them all.
bool SlimWriter::staysInLayout(const Entry& entry) {
    if (layout == SlimLayout::Tracks || !entry.endOfTrack) return true;
    if (finalEndPlaced || entry.tick != survey.lastEndTick) return false;
    finalEndPlaced = true;
    return true;
}

// A tick is decided once no message that may be left out is open.
void SlimWriter::closeTick() {
    tickOpen = false;
    decideMessages();
    if (undecided == messages.size()) writeDecidedTicks();
}

void SlimWriter::visit(size_t index, const uint8_t* bytes) {
    Entry& entry = pending[index];
    if (entry.kind == EVENT_CHANNEL) visitChannelMessage(entry, bytes);
    if (entry.kind == EVENT_META && isSilentMeta(bytes, entry.length)) entry.single = true;
    if (entry.kind == EVENT_SYSEX && bytes[0] == StatusSysEx) visitMessage(index, bytes);
    if (entry.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation) visitPacket(index, bytes);
}

void SlimWriter::closeMessage(TrackState& track) {
    if (track.openMessage != NoMessage) messages[static_cast<size_t>(track.openMessage)].open = false;
    track.openMessage = NoMessage;
}

void SlimWriter::visitChannelMessage(Entry& entry, const uint8_t* bytes) {
    TrackState& track = tracks[static_cast<size_t>(entry.track)];
    // A channel message ends a message's packets: later F7 events are no part of it.
    closeMessage(track);
    track.openUniversal = false;
    if (entry.length < (hasTwoDataBytes(bytes[0]) ? 3 : 2)) return;
    if (held.isRedundant(bytes)) entry.single = true;
    held.apply(bytes);
}

void SlimWriter::visitMessage(size_t index, const uint8_t* bytes) {
    const Entry& entry = pending[index];
    TrackState& track = tracks[static_cast<size_t>(entry.track)];
    closeMessage(track);
    const SysExKind kind = sysExKind(bytes, entry.length);
    if (kind == SysExKind::GmSystemOn) held.forgetAll();
    const bool ends = endsSysExMessage(bytes, entry.length);
    const bool universal = isUniversal(kind);
    track.openUniversal = universal && !ends;
    if (universal) return;
    messages.push_back({{index}, carriesDataOnly(bytes, entry.length), !ends});
    if (!ends) track.openMessage = static_cast<int32_t>(messages.size() - 1);
}

void SlimWriter::visitPacket(size_t index, const uint8_t* bytes) {
    const Entry& entry = pending[index];
    TrackState& track = tracks[static_cast<size_t>(entry.track)];
    const bool ends = endsSysExMessage(bytes, entry.length);
    // Its packets may complete a GM system on, which resets every channel.
    if (track.openUniversal) held.forgetAll();
    if (ends) track.openUniversal = false;
    if (track.openMessage == NoMessage) return;
    Message& message = messages[static_cast<size_t>(track.openMessage)];
    message.entries.push_back(index);
    message.silent = message.silent && carriesDataOnly(bytes, entry.length);
    if (ends) closeMessage(track);
}

// In the order the messages began: one left out leaves fewer events at its ticks.
void SlimWriter::decideMessages() {
    for (; undecided < messages.size(); ++undecided) {
        const Message& message = messages[undecided];
        if (message.silent && message.open) return;
        if (message.silent) leaveOutMessage(message);
    }
}

// A message goes whole or stays whole: a packet kept without its start would
// be read as data of whatever came before it. Its events are in order of tick.
void SlimWriter::leaveOutMessage(const Message& message) {
    const auto atTick = [this, &message](size_t k) { return pending[message.entries[k]].tickIndex; };
    for (size_t k = 0; k < message.entries.size();) {
        size_t next = k;
        while (next < message.entries.size() && atTick(next) == atTick(k)) ++next;
        if (ticks[atTick(k)].staying <= static_cast<int32_t>(next - k)) return;
        k = next;
    }
    for (const size_t index : message.entries) {
        --ticks[pending[index].tickIndex].staying;
        pending[index].kept = false;
    }
}

bool SlimWriter::leaveOutIfNotAlone(Entry& entry) {
    int32_t& staying = ticks[entry.tickIndex].staying;
    if (staying <= 1) return false;
    --staying;
    entry.kept = false;
    return true;
}

void SlimWriter::writeDecidedTicks() {
    for (Tick& tick : ticks) writeTick(tick);
    // A message still open now holds a status byte: it stays whatever follows.
    for (TrackState& track : tracks) track.openMessage = NoMessage;
    pending.clear();
    pendingBytes.clear();
    ticks.clear();
    messages.clear();
    undecided = 0;
}

void SlimWriter::writeTick(Tick& tick) {
    if (leaveOut)
        for (size_t i = tick.first; i < tick.end; ++i)
            if (pending[i].single) leaveOutIfNotAlone(pending[i]);
    if (layout == SlimLayout::Tracks) leaveOutEmptyTracks(tick);
    // The merged track needs an event where only an End of Track stood, to keep the clock's steps.
    if (layout == SlimLayout::OneTrack && tick.staying == 0)
        encode(0, tick.tick, EmptyPacket, sizeof EmptyPacket);
    for (size_t i = tick.first; i < tick.end; ++i) {
        const Entry& entry = pending[i];
        const uint8_t* bytes = pendingBytes.data() + entry.offset;
        if (!entry.kept) continue;
        if (layout == SlimLayout::Tracks) {
            encode(entry.track, entry.tick, bytes, entry.length);
            continue;
        }
        if (entry.endOfTrack) continue;
        if (survey.trackCount() > 1 && entry.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation &&
            hasSysExData(bytes, entry.length))
            packetsBetweenTracks = true;
        encode(0, entry.tick, bytes, entry.length);
    }
}

// A track other than the first that is left with only its End of Track goes
// too, when another event stays at that tick: then its end neither moves the
// clock nor ends the tune. The last track is looked at first.
void SlimWriter::leaveOutEmptyTracks(Tick& tick) {
    std::vector<size_t> ends;
    for (size_t i = tick.first; i < tick.end; ++i) {
        const Entry& entry = pending[i];
        if (entry.endOfTrack)
            ends.push_back(i);
        else if (entry.kept)
            tracks[static_cast<size_t>(entry.track)].keptSomething = true;
    }
    std::sort(ends.begin(), ends.end(),
              [this](size_t a, size_t b) { return pending[a].track > pending[b].track; });
    for (const size_t i : ends) {
        TrackState& track = tracks[static_cast<size_t>(pending[i].track)];
        if (pending[i].track >= 1 && !track.keptSomething && leaveOutIfNotAlone(pending[i]))
            track.dropped = true;
    }
}

void SlimWriter::encode(int32_t track, int64_t tick, const uint8_t* bytes, int32_t length) {
    encoded = encoded && encoders[static_cast<size_t>(track)]->add(tick, bytes, length);
}

std::vector<uint8_t> SlimWriter::header(int32_t format, int32_t trackCount) const {
    std::vector<uint8_t> file(survey.header, survey.header + SmfHeaderSize);
    putBigEndian16(file.data() + FormatOffset, static_cast<uint32_t>(format));
    putBigEndian16(file.data() + TrackCountOffset, static_cast<uint32_t>(trackCount));
    return file;
}

bool SlimWriter::finish() {
    // A message a track's end left open is complete as it is.
    for (Message& message : messages) message.open = false;
    tickOpen = false;
    decideMessages();
    writeDecidedTicks();
    if (layout == SlimLayout::OneTrack)
        encode(0, survey.lastEndTick, PATTERN_END_OF_TRACK, sizeof PATTERN_END_OF_TRACK);
    return encoded;
}

// The one track, or each track that was not left out.
bool SlimWriter::writes(size_t track) const {
    return layout == SlimLayout::OneTrack || !tracks[track].dropped;
}

size_t SlimWriter::fileSize() const {
    size_t size = SmfHeaderSize;
    for (size_t track = 0; track < encoders.size(); ++track)
        if (writes(track)) size += encoders[track]->chunkSize();
    return size;
}

void SlimWriter::writeFile(std::vector<uint8_t>& file) {
    int32_t written = 0;
    for (size_t track = 0; track < encoders.size(); ++track) written += writes(track) ? 1 : 0;
    file = header(layout == SlimLayout::OneTrack ? 0 : survey.format, written);
    file.reserve(fileSize());
    for (size_t track = 0; track < encoders.size(); ++track)
        if (writes(track)) encoders[track]->moveTo(file);
}
