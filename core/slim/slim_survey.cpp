#include "slim/slim_survey.h"

#include <algorithm>
#include <cstring>

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "playing/handset_reading.h"
#include "smf/big_endian.h"
#include "smf/mtrk.h"

namespace {
// Sizes every loaded track and reads its played events as a handset does.
class TrackSurveyor : public TrackVisitor {
public:
    explicit TrackSurveyor(SlimSurvey& into) : survey(into) {}

    // A chunk that could not be loaded is no track of the file.
    bool beginTrack(const WalkPosition&, bool loaded) {
        if (!loaded) return true;
        survey.tracks.emplace_back();
        handset.beginTrack();
        return true;
    }

    bool onEvent(const MTrk& reader, const WalkPosition& at) {
        SurveyedTrack& track = survey.tracks.back();
        track.eventBytes += static_cast<size_t>(reader.eventLength);
        ++track.eventCount;
        if (track.ends) return true;
        readAsAHandset(reader);
        if (!endsTrackOnAHandset(reader.event, reader.eventLength)) return true;
        track.ends = true;
        survey.lastEndTick = std::max(survey.lastEndTick, at.tick);
        return true;
    }

private:
    SlimSurvey& survey;
    HandsetReading handset;

    void readAsAHandset(const MTrk& reader) {
        handset.read(reader);
        survey.readOtherwise |= !handset.readsAlike();
        survey.systemMessageOfOtherLength |=
            reader.kind == EVENT_CHANNEL && readsAtAnotherLength(reader.event[0]);
    }
};
}  // namespace

bool SlimSurvey::everyTrackEnds() const {
    return std::all_of(tracks.begin(), tracks.end(), [](const SurveyedTrack& track) { return track.ends; });
}

size_t SlimSurvey::allEventBytes() const {
    size_t bytes = 0;
    for (const SurveyedTrack& track : tracks) bytes += track.eventBytes;
    return bytes;
}

size_t SlimSurvey::allEvents() const {
    size_t count = 0;
    for (const SurveyedTrack& track : tracks) count += track.eventCount;
    return count;
}

bool surveyTracks(const uint8_t* file, size_t size, SlimSurvey& survey) {
    survey = SlimSurvey();
    if (size < static_cast<size_t>(SmfHeaderSize) || std::memcmp(file, "MThd", 4) != 0) return false;
    if (bigEndian32(file + 4) != SmfHeaderSize - ChunkHeaderSize) return false;
    std::memcpy(survey.header, file, SmfHeaderSize);
    survey.format = static_cast<int32_t>(bigEndian16(file + FormatOffset));
    survey.announcedTracks = static_cast<int32_t>(bigEndian16(file + TrackCountOffset));
    BytesPass pass(file, size);
    TrackSurveyor surveyor(survey);
    walkFile(pass.pass(), surveyor);
    return true;
}
