#include "playing/voice_count.h"

#include "playing/file_timing.h"
#include "playing/playing_walk.h"

namespace {
// Hands the walk's events to the model as they play.
struct ModelFeed {
    VoiceModel& model;

    bool onEvent(int32_t track, int64_t tick, const TrackEvent& event) {
        model.onEvent(track, tick, event.bytes, event.length);
        return true;
    }
};
}  // namespace

VoiceModel playVoiceModel(const uint8_t* file, size_t size, int32_t mipVoices, VoiceCountListener* listener) {
    VoiceModel model(fileDivision(file, size), mipVoices, listener);
    playVoiceModel(file, size, model);
    return model;
}

void playVoiceModel(const uint8_t* file, size_t size, VoiceModel& model) {
    ModelFeed feed{model};
    walkInPlayingOrder(file, size, feed);
    model.finish();
}
