#include "quavelrender_run.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "base/message_text.h"
#include "handset_synth.h"
#include "pcm_peak.h"
#include "render_command_line.h"
#include "smf/staged_output.h"
#include "smf/vfile.h"
#include "voice_report.h"
#include "voice_search.h"
#include "wav_writer.h"

namespace {
constexpr const char* CannotOpenDest = "Cannot open dest file";

// The first two lines are the usage a refused command line prints.
constexpr int UsageFormCount = 2;
constexpr const char* UsageLines[] = {
    "usage: quavelrender SOURCE.mid OUT.wav [-Nvoices]\n",
    "       quavelrender --voices SOURCE.mid [-Nvoices]\n",
    "  SOURCE.mid      the Standard MIDI File to play through the handset synthesizer\n",
    "  OUT.wav         the WAV file to write: 16-bit PCM at the synthesizer's own rate\n",
    "  -Nvoices        the synthesizer's polyphony, 1 to 64 (default 64); an SP-MIDI\n",
    "                  MIP message in the file then mutes the channels above it\n",
    "  --voices        write no WAV: print the fewest voices that play every note as\n",
    "                  64 voices do, and with -N fewer, where notes are first lost\n",
    "  -h, -?, --help  print this text and end\n",
};

int printHelp() {
    for (const char* line : UsageLines) std::fputs(line, stdout);
    return 0;
}

int refuseArguments(const std::string& problem) {
    std::printf("%s\n", problem.c_str());
    for (int i = 0; i < UsageFormCount; ++i) std::fputs(UsageLines[i], stdout);
    return 1;
}

int fail(const char* message) {
    std::printf("%s\n", message);
    return 1;
}

// The message, then the system's reason after a colon when there is one.
int failBecause(const char* message, const std::error_code& reason) {
    if (!reason) return fail(message);
    std::printf("%s: %s\n", message, reason.message().c_str());
    return 1;
}

int refuseTune(const std::string& sourceName, const SynthError& error) {
    const char* meaning = synthCodeMeaning(error.code);
    std::printf("%s: the synthesizer refuses it at %s, error %d%s%s\n", sourceName.c_str(),
                synthStepName(error.step), static_cast<int>(error.code), meaning != nullptr ? ": " : "",
                meaning != nullptr ? meaning : "");
    return 1;
}

void printSummary(const std::string& sourceName, const RenderOutcome& outcome, const LevelMeter& levels,
                  const SynthFormat& format) {
    const double seconds = static_cast<double>(outcome.frames) / format.sampleRate;
    const std::string channels = countText(format.channels, {"channel", "channels"});
    const std::string clipped = countText(levels.clippedSamples(), {"clipped sample", "clipped samples"});
    const std::string notes = countText(outcome.noteCount, {"note", "notes"});
    std::printf("%s: %.3f s, %d Hz, %s, peak %s dBFS, RMS %s dBFS, %s, %s\n", sourceName.c_str(), seconds,
                static_cast<int>(format.sampleRate), channels.c_str(), levels.peakText().c_str(),
                levels.rmsText().c_str(), clipped.c_str(), notes.c_str());
    if (!outcome.stopped)
        std::printf("%s: still playing after %d s: the WAV holds its first %d s\n", sourceName.c_str(),
                    MaxRenderSeconds, MaxRenderSeconds);
}

// Renders the loaded tune into the staged WAV file and moves it in place only
// when the synthesizer played it without an error and every byte was written.
int renderToWav(const RenderCommandLine& line, const VFILE& source) {
    const SynthFormat format = handsetSynthFormat();
    StagedOutput output;
    WavWriter wav(output, format.sampleRate, format.channels);
    if (!output.open(line.outputName.c_str()) || !wav.begin())
        return failBecause(CannotOpenDest, output.error());
    LevelMeter levels;
    const PcmSink sink = [&wav, &levels, &format](const int16_t* samples, size_t frames) {
        levels.take(samples, frames * static_cast<size_t>(format.channels));
        return wav.append(samples, frames);
    };
    const int64_t maxFrames = static_cast<int64_t>(MaxRenderSeconds) * format.sampleRate;
    const RenderOutcome outcome =
        renderTune(source.data, static_cast<size_t>(source.size), line.voices, maxFrames, sink);
    if (outcome.error.step != SynthStep::None) return refuseTune(line.sourceName, outcome.error);
    if (outcome.sinkFailed || !wav.finish() || !output.commit())
        return failBecause(CannotOpenDest, output.error());
    printSummary(line.sourceName, outcome, levels, format);
    return 0;
}
// The voices the tune needs, from the synthesizer's renders; no file is written.
int countVoices(const RenderCommandLine& line, const VFILE& source) {
    const std::vector<uint8_t> tune(source.data, source.data + source.size);
    const VoiceSearch search(tune);
    if (!search.playable()) return refuseTune(line.sourceName, search.refusal());
    std::fputs(voicesReport(line.sourceName, tune, search, line.voices).c_str(), stdout);
    return 0;
}
}  // namespace

int runQuavelRender(int argc, const char* const* argv) {
    const RenderCommandLine line = parseRenderCommandLine(argc, argv);
    if (line.helpWanted) return printHelp();
    if (!line.problem.empty()) return refuseArguments(line.problem);
    VFILE source;
    if (!source.load(line.sourceName.c_str()))
        return failBecause("Cannot open source file", std::error_code(errno, std::generic_category()));
    return line.voicesWanted ? countVoices(line, source) : renderToWav(line, source);
}
