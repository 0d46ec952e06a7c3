#include "playing/voice_count.h"

#include "playing/file_timing.h"
#include "playing/played_events.h"

VoiceModel playVoiceModel(const uint8_t* file, size_t size, int32_t mipVoices, VoiceCountListener* listener) {
    VoiceModel model(readFileTiming(file, size), mipVoices, listener);
    PlayedEvents played;
    if (played.read(file, size))
        for (size_t index : played.playingOrder()) {
            const TimedEvent& event = played.events[index];
            model.onEvent(event.track, event.tick, played.bytesOf(event), event.length);
        }
    model.finish();
    return model;
}
