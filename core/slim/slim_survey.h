#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "smf/midi_format.h"

// One track as the survey found it.
struct SurveyedTrack {
    // Every event of the track, the ones after its end among them.
    size_t eventBytes = 0;
    size_t eventCount = 0;
    // The End of Track (of any length) that a handset stops reading at.
    bool ends = false;
};

// What slimming must know of a converted file before it rewrites anything,
// read once track by track; nothing is kept per event.
struct SlimSurvey {
    uint8_t header[SmfHeaderSize] = {};
    int32_t format = 0;
    // Tracks the header announces; a handset finds each of them or refuses the file.
    int32_t announcedTracks = 0;
    std::vector<SurveyedTrack> tracks;  // those that could be loaded
    // A played event that a handset reads otherwise than the reader (see
    // HandsetReading), such as a channel message with a data byte of 80 or
    // more, which a handset takes as the status of another message.
    bool readOtherwise = false;
    // A played system message that a handset reads at another length.
    bool systemMessageOfOtherLength = false;
    // The latest End of Track of the file.
    int64_t lastEndTick = 0;

    int32_t trackCount() const { return static_cast<int32_t>(tracks.size()); }
    bool everyTrackEnds() const;
    size_t allEventBytes() const;
    size_t allEvents() const;
};

// False when the bytes are no Standard MIDI File with a header of its own
// length (a handset would look for the tracks elsewhere).
bool surveyTracks(const uint8_t* file, size_t size, SlimSurvey& survey);
