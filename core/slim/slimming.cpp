#include "slim/slimming.h"

#include <new>

#include "playing/played_events.h"
#include "slim/setup_bar.h"
#include "slim/slim_plan.h"
#include "slim/track_encoder.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// The synthesizer refuses a file that announces more tracks.
constexpr int32_t HandsetTrackLimit = 100;

// An empty SysEx packet: the synthesizer reads it and does nothing, but its
// clock steps to its tick as it did to the End of Track it stands for.
constexpr uint8_t EmptyPacket[] = {StatusSysExContinuation, 0x00};

std::vector<uint8_t> headerOf(const PlayedEvents& played, int32_t format) {
    std::vector<uint8_t> file(played.header, played.header + SmfHeaderSize);
    putBigEndian16(file.data() + FormatOffset, static_cast<uint32_t>(format));
    return file;
}

size_t eventBytes(const PlayedEvents& played, size_t first, size_t end) {
    return end == first ? 0
                        : played.events[end - 1].offset + static_cast<size_t>(played.events[end - 1].length) -
                              played.events[first].offset;
}

// The tracks as they are, less what the plan leaves out.
bool writeTracks(const PlayedEvents& played, const SlimPlan& plan, bool noteOffAsNoteOn,
                 std::vector<uint8_t>& file) {
    file = headerOf(played, played.format);
    uint32_t written = 0;
    for (int32_t track = 0; track < played.trackCount(); ++track) {
        if (!plan.keepsTrack(track)) continue;
        const size_t first = played.firstOf(track);
        const size_t end = played.endOf(track);
        TrackEncoder encoder(noteOffAsNoteOn, eventBytes(played, first, end), end - first);
        for (size_t i = first; i < end; ++i) {
            const TimedEvent& event = played.events[i];
            if (plan.keeps(i) && !encoder.add(event.tick, played.bytesOf(event), event.length)) return false;
        }
        encoder.appendTo(file);
        ++written;
    }
    putBigEndian16(file.data() + TrackCountOffset, written);
    return true;
}

// One track: the played events in playing order, an empty packet at each
// tick where only a track's end stood, and one End of Track at the latest.
bool writeOneTrack(const PlayedEvents& played, const SlimPlan& plan, bool noteOffAsNoteOn,
                   std::vector<uint8_t>& file) {
    file = headerOf(played, 0);
    putBigEndian16(file.data() + TrackCountOffset, 1);
    const std::vector<int64_t>& bare = plan.bareTicks();
    TrackEncoder encoder(noteOffAsNoteOn, played.bytes.size() + bare.size() * sizeof EmptyPacket + 3,
                         played.events.size() + bare.size() + 1);
    auto nextBare = bare.begin();
    bool written = true;
    for (size_t index : plan.playingOrder()) {
        const TimedEvent& event = played.events[index];
        for (; nextBare != bare.end() && *nextBare <= event.tick; ++nextBare)
            written = written && encoder.add(*nextBare, EmptyPacket, sizeof EmptyPacket);
        if (plan.keeps(index) && !event.endOfTrack)
            written = written && encoder.add(event.tick, played.bytesOf(event), event.length);
    }
    written = written && encoder.add(played.lastEndTick, PATTERN_END_OF_TRACK, sizeof PATTERN_END_OF_TRACK);
    if (written) encoder.appendTo(file);
    return written;
}

// Its tracks play together on the synthesizer, but each is a tune of its
// own: every event and every track stays, and only the encoding changes.
SlimNote rewriteFormatTwo(const SlimSettings& settings, const PlayedEvents& played,
                          std::vector<uint8_t>& rewritten) {
    std::vector<uint8_t> tracks;
    const SlimPlan everything(played, SlimLayout::Tracks, false);
    if (settings.slim && !writeTracks(played, everything, true, tracks)) return SlimNote::NotRewritable;
    rewritten.swap(tracks);
    return settings.formatZero ? SlimNote::FormatTwoKept : SlimNote::None;
}

// Rewrites what the tracks hold into rewritten, left empty when the file
// stays as it is, and says why it is otherwise than asked.
SlimNote rewrite(const SlimSettings& settings, const PlayedEvents& played, std::vector<uint8_t>& rewritten) {
    if (played.format == 2) return rewriteFormatTwo(settings, played, rewritten);
    const bool slim = settings.slim != 0;
    std::vector<uint8_t> tracks;
    if (slim && !writeTracks(played, SlimPlan(played, SlimLayout::Tracks, true), true, tracks))
        return SlimNote::NotRewritable;
    std::vector<uint8_t> oneTrack;
    SlimNote note = SlimNote::None;
    if (settings.formatZero) {
        const SlimPlan merged(played, SlimLayout::OneTrack, slim);
        if (merged.packetsNeedTracks())
            note = SlimNote::PacketsKeepTracks;
        else if (!writeOneTrack(played, merged, slim, oneTrack))
            return SlimNote::NotRewritable;
    }
    const bool oneTrackWritten = !oneTrack.empty();
    // -0 alone always merges; with -Z the smaller wins, format 0 on a tie.
    if (oneTrackWritten && (!slim || oneTrack.size() <= tracks.size()))
        rewritten.swap(oneTrack);
    else if (slim)
        rewritten.swap(tracks);
    return note;
}

SlimOutcome slimmed(const SlimSettings& settings, std::vector<uint8_t>& bytes) {
    SlimOutcome outcome;
    outcome.done = true;
    outcome.asked = settings;
    outcome.bytesBefore = bytes.size();
    PlayedEvents played;
    std::vector<uint8_t> rewritten;
    // A file without tracks, with fewer than its header announces or with
    // more than it plays, is refused by the synthesizer: it stays so.
    const bool readable = played.read(bytes.data(), bytes.size()) && played.trackCount() > 0 &&
                          played.trackCount() == played.announcedTracks &&
                          played.announcedTracks <= HandsetTrackLimit;
    // A system message comes first: past it, the reader's track ends are not a handset's.
    if (readable && played.systemMessageOfOtherLength)
        outcome.note = SlimNote::SystemMessage;
    else if (readable && !played.everyTrackEnds())
        outcome.note = SlimNote::TrackWithoutEnd;
    else if (!readable || played.readOtherwise || noteStartsBeforeTheSetupBar(played))
        outcome.note = SlimNote::NotRewritable;
    else
        outcome.note = rewrite(settings, played, rewritten);
    if (!rewritten.empty()) {
        outcome.unchanged = rewritten == bytes;
        bytes.swap(rewritten);
    }
    outcome.bytesAfter = bytes.size();
    outcome.format = bytes.size() >= static_cast<size_t>(SmfHeaderSize)
                         ? static_cast<int32_t>(bigEndian16(bytes.data() + FormatOffset))
                         : 0;
    return outcome;
}
}  // namespace

// Every rewrite is made aside and swapped in whole, so running out of memory
// leaves the bytes as they came.
Result slimFile(const SlimSettings& settings, std::vector<uint8_t>& bytes, SlimOutcome& outcome) {
    try {
        outcome = slimmed(settings, bytes);
        return Result::success();
    } catch (const std::bad_alloc&) {
        outcome = SlimOutcome();
        return Result::failure(OutOfMemoryMessage);
    }
}

bool formatZeroMerges(const std::vector<uint8_t>& bytes) {
    SlimSettings merge;
    merge.formatZero = 1;
    std::vector<uint8_t> merged(bytes);
    SlimOutcome outcome;
    return slimFile(merge, merged, outcome).ok() && outcome.note == SlimNote::None && outcome.format == 0;
}
