#include "handset_synth.h"

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <eas.h>
}

namespace {
// The library reads the tune through this locator, from the caller's bytes.
struct TuneBytes {
    const uint8_t* bytes;
    size_t size;
};

int readTuneAt(void* handle, void* buffer, int offset, int size) {
    const TuneBytes& tune = *static_cast<const TuneBytes*>(handle);
    if (offset < 0 || size <= 0 || static_cast<size_t>(offset) >= tune.size) return 0;
    const size_t n = std::min(static_cast<size_t>(size), tune.size - static_cast<size_t>(offset));
    std::memcpy(buffer, tune.bytes + offset, n);
    return static_cast<int>(n);
}

int tuneSize(void* handle) {
    return static_cast<int>(static_cast<const TuneBytes*>(handle)->size);
}

struct CodeMeaning {
    EAS_RESULT code;
    const char* meaning;
};

// The codes a tune's open, prepare or render gives, as found on real and
// damaged files.
constexpr CodeMeaning CodeMeanings[] = {
    {EAS_EOF, "the file ends before a whole header"},
    {EAS_ERROR_UNRECOGNIZED_FORMAT, "not a file type it plays"},
    {EAS_ERROR_FILE_FORMAT, "a header or track chunk it cannot read"},
    {EAS_ERROR_PARAMETER_RANGE, "a value out of its range, such as a file without tracks"},
    {EAS_ERROR_MAX_FILES_OPEN, "more tracks than it plays (100)"},
    {EAS_ERROR_FILE_LENGTH, "a file too large for it"},
    {EAS_ERROR_FILE_SEEK, "an event that runs past the end of the file"},
    {EAS_ERROR_FILE_READ_FAILED, "an event that runs past the end of the file"},
    {EAS_ERROR_MALLOC_FAILED, "no memory left"},
};
}  // namespace

struct HandsetSynth::Instance {
    TuneBytes tune;
    EAS_FILE locator;
    EAS_DATA_HANDLE synth = nullptr;
    EAS_HANDLE stream = nullptr;

    Instance(const uint8_t* bytes, size_t size) : tune{bytes, size}, locator{&tune, readTuneAt, tuneSize} {}
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance() {
        if (stream != nullptr) EAS_CloseFile(synth, stream);
        if (synth != nullptr) EAS_Shutdown(synth);
    }
};

SynthFormat handsetSynthFormat() {
    const S_EAS_LIB_CONFIG* config = EAS_Config();
    return {static_cast<int32_t>(config->sampleRate), static_cast<int32_t>(config->numChannels),
            static_cast<int32_t>(config->mixBufferSize), static_cast<int32_t>(config->maxVoices)};
}

const char* synthStepName(SynthStep step) {
    // In the order of SynthStep.
    static constexpr const char* Names[] = {"none",      "start",  "open", "prepare",
                                            "polyphony", "render", "state"};
    return Names[static_cast<int>(step)];
}

const char* synthCodeMeaning(int32_t code) {
    for (const CodeMeaning& entry : CodeMeanings)
        if (entry.code == code) return entry.meaning;
    return nullptr;
}

HandsetSynth::HandsetSynth(const uint8_t* bytes, size_t size) : instance(new Instance(bytes, size)) {}

HandsetSynth::~HandsetSynth() = default;

bool HandsetSynth::fail(SynthStep step, long code) {
    failure = {step, static_cast<int32_t>(code)};
    return false;
}

bool HandsetSynth::open(int polyphony) {
    if (instance->synth != nullptr) return fail(SynthStep::Init, EAS_ERROR_NOT_VALID_IN_THIS_STATE);
    // The library addresses the tune with int offsets.
    if (instance->tune.size > static_cast<size_t>(INT_MAX))
        return fail(SynthStep::Open, EAS_ERROR_FILE_LENGTH);
    // The library clamps any other polyphony to 1 or to its voices without a
    // word: a caller asking for one it cannot have is told so.
    if (polyphony < 1 || polyphony > handsetSynthFormat().maxVoices)
        return fail(SynthStep::Polyphony, EAS_ERROR_PARAMETER_RANGE);
    EAS_RESULT result = EAS_Init(&instance->synth);
    if (result != EAS_SUCCESS) return fail(SynthStep::Init, result);
    result = EAS_OpenFile(instance->synth, &instance->locator, &instance->stream);
    // An empty file "opens" with a positive code and no stream.
    if (result != EAS_SUCCESS || instance->stream == nullptr) {
        instance->stream = nullptr;
        return fail(SynthStep::Open, result == EAS_SUCCESS ? EAS_ERROR_UNRECOGNIZED_FORMAT : result);
    }
    result = EAS_Prepare(instance->synth, instance->stream);
    if (result != EAS_SUCCESS) return fail(SynthStep::Prepare, result);
    result = EAS_SetSynthPolyphony(instance->synth, 0, polyphony);
    if (result != EAS_SUCCESS) return fail(SynthStep::Polyphony, result);
    return true;
}

bool HandsetSynth::renderBuffer(std::vector<int16_t>& pcm) {
    // Only a tune that opened plays on: the first failure stays the one reported.
    if (failure.step != SynthStep::None) return false;
    if (instance->stream == nullptr) return fail(SynthStep::Render, EAS_ERROR_NOT_VALID_IN_THIS_STATE);
    const SynthFormat format = handsetSynthFormat();
    pcm.resize(static_cast<size_t>(format.framesPerBuffer) * static_cast<size_t>(format.channels));
    EAS_I32 generated = 0;
    EAS_RESULT result = EAS_Render(instance->synth, pcm.data(), format.framesPerBuffer, &generated);
    if (result != EAS_SUCCESS) return fail(SynthStep::Render, result);
    pcm.resize(static_cast<size_t>(generated) * static_cast<size_t>(format.channels));
    EAS_STATE state = EAS_STATE_PLAY;
    result = EAS_State(instance->synth, instance->stream, &state);
    if (result != EAS_SUCCESS) return fail(SynthStep::State, result);
    if (state == EAS_STATE_ERROR) return fail(SynthStep::State, EAS_FAILURE);
    hasStopped = state == EAS_STATE_STOPPED;
    return true;
}

int32_t HandsetSynth::noteCount() const {
    EAS_I32 count = -1;
    if (instance->stream == nullptr ||
        EAS_GetNoteCount(instance->synth, instance->stream, &count) != EAS_SUCCESS)
        return -1;
    return static_cast<int32_t>(count);
}

RenderOutcome renderTune(const uint8_t* bytes, size_t size, int polyphony, int64_t maxFrames,
                         const PcmSink& sink) {
    RenderOutcome outcome;
    HandsetSynth synth(bytes, size);
    if (!synth.open(polyphony)) {
        outcome.error = synth.error();
        return outcome;
    }
    const size_t channels = static_cast<size_t>(handsetSynthFormat().channels);
    std::vector<int16_t> pcm;
    while (!synth.stopped() && outcome.frames < maxFrames) {
        if (!synth.renderBuffer(pcm)) {
            outcome.error = synth.error();
            break;
        }
        // A buffer of nothing while the tune plays would never reach the bound.
        if (pcm.empty() && !synth.stopped()) {
            outcome.error = {SynthStep::Render, EAS_FAILURE};
            break;
        }
        // The last buffer before the bound is cut to it.
        const size_t frames = static_cast<size_t>(
            std::min(static_cast<int64_t>(pcm.size() / channels), maxFrames - outcome.frames));
        if (!sink(pcm.data(), frames)) {
            outcome.sinkFailed = true;
            break;
        }
        outcome.frames += static_cast<int64_t>(frames);
    }
    outcome.stopped = synth.stopped();
    outcome.noteCount = synth.noteCount();
    return outcome;
}

std::vector<int16_t> renderWholePcm(const std::vector<uint8_t>& tune, int polyphony, SynthError* refusal) {
    const SynthFormat format = handsetSynthFormat();
    const int64_t maxFrames = static_cast<int64_t>(MaxRenderSeconds) * format.sampleRate;
    std::vector<int16_t> pcm;
    const RenderOutcome outcome = renderTune(
        tune.data(), tune.size(), polyphony, maxFrames,
        [&pcm, &format](const int16_t* samples, size_t frames) {
            pcm.insert(pcm.end(), samples, samples + frames * static_cast<size_t>(format.channels));
            return true;
        });
    if (outcome.error.step != SynthStep::None) pcm.clear();
    if (refusal != nullptr) *refusal = outcome.error;
    return pcm;
}
