#include "slim/slimming.h"

#include <memory>
#include <new>

#include "playing/playing_walk.h"
#include "slim/setup_bar.h"
#include "slim/slim_survey.h"
#include "slim/slim_writer.h"
#include "slim/track_encoder.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

namespace {
// The synthesizer refuses a file that announces more tracks.
constexpr int32_t HandsetTrackLimit = 100;

// Feeds the walk's events to every writer at once: one walk for both layouts.
struct Writers {
    std::vector<SlimWriter*> writers;

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        for (SlimWriter* writer : writers) writer->onEvent(track, tick, event);
        return true;
    }
};

// Its tracks play together on the synthesizer, but each is a tune of its
// own: every event and every track stays, and only the encoding changes.
bool encodeEveryTrack(const uint8_t* file, size_t size, const SlimSurvey& survey,
                      std::vector<uint8_t>& tracks) {
    tracks.assign(survey.header, survey.header + SmfHeaderSize);
    tracks.reserve(size);
    const std::vector<TrackBody> bodies = trackBodies(file, size);
    for (size_t track = 0; track < bodies.size(); ++track) {
        TrackCursor cursor(bodies[track], static_cast<int32_t>(track));
        TrackEncoder encoder(true, survey.tracks[track].eventBytes, survey.tracks[track].eventCount);
        while (cursor.next()) {
            const TrackEvent event = cursor.event();
            if (!encoder.add(cursor.tick, event.bytes, event.length)) return false;
        }
        encoder.moveTo(tracks);
    }
    return true;
}

SlimNote rewriteFormatTwo(const SlimSettings& settings, const uint8_t* file, size_t size,
                          const SlimSurvey& survey, std::vector<uint8_t>& rewritten) {
    std::vector<uint8_t> tracks;
    if (settings.slim && !encodeEveryTrack(file, size, survey, tracks)) return SlimNote::NotRewritable;
    rewritten.swap(tracks);
    return settings.formatZero ? SlimNote::FormatTwoKept : SlimNote::None;
}

// Rewrites what the tracks hold into rewritten, left empty when the file
// stays as it is, and says why it is otherwise than asked.
SlimNote rewrite(const SlimSettings& settings, const uint8_t* file, size_t size, const SlimSurvey& survey,
                 std::vector<uint8_t>& rewritten) {
    if (survey.format == 2 && !settings.mergeAnyFormat)
        return rewriteFormatTwo(settings, file, size, survey, rewritten);
    const bool slim = settings.slim != 0;
    std::unique_ptr<SlimWriter> tracksWriter;
    std::unique_ptr<SlimWriter> oneTrackWriter;
    Writers walk;
    if (slim)
        walk.writers.push_back(
            (tracksWriter = std::make_unique<SlimWriter>(survey, SlimLayout::Tracks, true)).get());
    if (settings.formatZero)
        walk.writers.push_back(
            (oneTrackWriter = std::make_unique<SlimWriter>(survey, SlimLayout::OneTrack, slim)).get());
    walkInPlayingOrder(file, size, walk);
    if (slim && !tracksWriter->finish()) return SlimNote::NotRewritable;
    SlimNote note = SlimNote::None;
    if (settings.formatZero) {
        const bool encoded = oneTrackWriter->finish();
        if (oneTrackWriter->packetsNeedTracks()) {
            oneTrackWriter.reset();
            note = SlimNote::PacketsKeepTracks;
        } else if (!encoded) {
            return SlimNote::NotRewritable;
        }
    }
    // -0 alone always merges; with -Z the smaller wins, format 0 on a tie.
    // The other goes before the winner is put together.
    const bool merged = oneTrackWriter && (!slim || settings.mergeAnyFormat ||
                                           oneTrackWriter->fileSize() <= tracksWriter->fileSize());
    std::unique_ptr<SlimWriter>& winner = merged ? oneTrackWriter : tracksWriter;
    (merged ? tracksWriter : oneTrackWriter).reset();
    if (winner) winner->writeFile(rewritten);
    return note;
}

// Why the file cannot be rewritten at all, or None, from its survey.
SlimNote surveyedObstacle(const uint8_t* file, size_t size, SlimSurvey& survey) {
    // A file without tracks, with fewer than its header announces or with
    // more than it plays, is refused by the synthesizer: it stays so. The
    // walks in playing order must find the tracks the survey found.
    const bool readable = surveyTracks(file, size, survey) && survey.trackCount() > 0 &&
                          survey.trackCount() == survey.announcedTracks &&
                          survey.announcedTracks <= HandsetTrackLimit &&
                          trackBodies(file, size).size() == survey.tracks.size();
    // A system message comes first: past it, the reader's track ends are not a handset's.
    if (readable && survey.systemMessageOfOtherLength) return SlimNote::SystemMessage;
    if (readable && !survey.everyTrackEnds()) return SlimNote::TrackWithoutEnd;
    if (!readable || survey.readOtherwise || noteStartsBeforeTheSetupBar(file, size))
        return SlimNote::NotRewritable;
    return SlimNote::None;
}

SlimOutcome slimmed(const SlimSettings& settings, std::vector<uint8_t>& bytes) {
    SlimOutcome outcome;
    outcome.done = true;
    outcome.asked = settings;
    outcome.bytesBefore = bytes.size();
    SlimSurvey survey;
    std::vector<uint8_t> rewritten;
    outcome.note = surveyedObstacle(bytes.data(), bytes.size(), survey);
    if (outcome.note == SlimNote::None)
        outcome.note = rewrite(settings, bytes.data(), bytes.size(), survey, rewritten);
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

SlimNote rewriteObstacle(const uint8_t* file, size_t size) {
    try {
        SlimSurvey survey;
        return surveyedObstacle(file, size, survey);
    } catch (const std::bad_alloc&) {
        return SlimNote::NotRewritable;
    }
}

bool formatZeroMerges(const std::vector<uint8_t>& bytes) {
    SlimSettings merge;
    merge.formatZero = 1;
    std::vector<uint8_t> merged(bytes);
    SlimOutcome outcome;
    return slimFile(merge, merged, outcome).ok() && outcome.note == SlimNote::None && outcome.format == 0;
}
