#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The handset synthesizer library, as the handsets' own build plays a
// Standard MIDI File: every preview and every render test goes through here,
// so there is one way to render in the project.

// The output format the library was built with; it cannot be changed at run time.
struct SynthFormat {
    int32_t sampleRate;
    int32_t channels;         // interleaved in every buffer
    int32_t framesPerBuffer;  // what one render call makes
    int32_t maxVoices;        // the largest polyphony it accepts
};
SynthFormat handsetSynthFormat();

// The step at which the synthesizer gave up, and its own result code.
enum class SynthStep { None, Init, Open, Prepare, Polyphony, Render, State };
struct SynthError {
    SynthStep step = SynthStep::None;
    int32_t code = 0;
};
// "open", "prepare", ... for messages.
const char* synthStepName(SynthStep step);
// What a result code means for a tune, or nullptr for a code without a known meaning.
const char* synthCodeMeaning(int32_t code);

// One tune held in memory, played by a synthesizer instance of its own. The
// bytes are read, never copied: they must outlive the object.
class HandsetSynth {
public:
    HandsetSynth(const uint8_t* bytes, size_t size);
    HandsetSynth(const HandsetSynth&) = delete;
    HandsetSynth& operator=(const HandsetSynth&) = delete;
    ~HandsetSynth();

    // Starts the synthesizer, opens and prepares the tune and sets the
    // polyphony (1 to maxVoices). An SP-MIDI MIP message in the tune then
    // mutes the channels it lists above that polyphony. False with error() set;
    // an object opens once.
    bool open(int polyphony);
    // Renders the next buffer into pcm (framesPerBuffer frames, interleaved)
    // and updates stopped(). False with error() set, and after any failure.
    bool renderBuffer(std::vector<int16_t>& pcm);
    // True once the tune has played to its end.
    bool stopped() const { return hasStopped; }
    // The notes the synthesizer has started so far; -1 when it cannot tell.
    int32_t noteCount() const;
    const SynthError& error() const { return failure; }

private:
    struct Instance;  // the library's handles and the tune's locator
    std::unique_ptr<Instance> instance;
    SynthError failure;
    bool hasStopped = false;

    bool fail(SynthStep step, long code);
};

// Takes each rendered buffer (frames frames of interleaved samples); false
// ends the render.
using PcmSink = std::function<bool(const int16_t* samples, size_t frames)>;

struct RenderOutcome {
    SynthError error;      // step None when the synthesizer did all it was asked
    bool stopped = false;  // the tune ended before the bound
    bool sinkFailed = false;
    int64_t frames = 0;  // frames handed to the sink
    int32_t noteCount = -1;
};

// Plays the whole tune into sink, buffer by buffer, until it stops, the sink
// refuses a buffer, or maxFrames are rendered (a tune that never stops ends there).
RenderOutcome renderTune(const uint8_t* bytes, size_t size, int polyphony, int64_t maxFrames,
                         const PcmSink& sink);

// The longest render that renderWholePcm makes: ten minutes of audio.
constexpr int32_t MaxRenderSeconds = 600;

// The whole PCM (interleaved) of the tune at the given polyphony, up to
// MaxRenderSeconds; empty when the synthesizer refuses the tune, and then
// refusal (when given) tells where and why.
std::vector<int16_t> renderWholePcm(const std::vector<uint8_t>& tune, int polyphony,
                                    SynthError* refusal = nullptr);
