#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "fitting/fit_tune.h"

class VoiceModel;

// What thinning did, and where it first had to.
struct Thinning {
    int64_t leftOut = 0;
    int64_t endedEarly = 0;
    int32_t firstTrack = 0;
    int64_t firstTick = 0;

    bool changed() const { return leftOut != 0 || endedEarly != 0; }
};

// Thins the tune as the voice model plays it, so that the voices of the
// channels of counted (bit c: channel c) never exceed voices. A note-on
// that would need one voice too many is left out when its channel has the
// lowest priority of those sounding; otherwise the longest-sounding note of
// the lowest-priority channel is ended early enough that its voice is free
// by then, no shorter than minNoteMs, or, where that cannot be (a drum, the
// pedal, a time before its start), the new note is left out. priority: every
// channel, the highest first. A note-off that ends only a note left out goes
// with it.
Thinning thinVoices(FitTune& tune, int32_t voices, const std::vector<int>& priority, uint16_t counted,
                    std::optional<int32_t> minNoteMs);

// Every kept event of the tune to the model, in playing order, then finish.
void playTune(const FitTune& tune, VoiceModel& model);
