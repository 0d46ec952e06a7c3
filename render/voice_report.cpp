#include "voice_report.h"

#include "base/message_text.h"
#include "fit/fit_facts.h"
#include "handset_synth.h"
#include "playing/finding_place.h"
#include "playing/voice_release_table.h"
#include "voice_search.h"

namespace {
constexpr uint16_t EveryChannel = 0xFFFF;
constexpr double MillisecondsPerSecond = 1000.0;

// The notes sounding at once, as the handset check counts them.
int notesAtOnce(const std::vector<uint8_t>& tune) {
    return FitFacts(tune.data(), tune.size()).peakNotes(EveryChannel).count;
}

std::string lostNotesLine(const std::string& sourceName, const std::vector<uint8_t>& tune, int voices,
                          int64_t frame) {
    const FindingPlace places(tune.data(), tune.size());
    const double seconds = static_cast<double>(lossMilliseconds(frame)) / MillisecondsPerSecond;
    return sourceName + ": at " + countText(voices, {"voice", "voices"}) + ", notes are lost from " +
           places.atSeconds(seconds) + "\n";
}
}  // namespace

std::string neededVoicesLine(const std::string& sourceName, int voices, int notesAtOnceCount) {
    const bool atFullPolyphony = voices >= handsetSynthFormat().maxVoices;
    return sourceName + ": needs " + countText(voices, {"voice", "voices"}) +
           (atFullPolyphony ? " or more" : "") + " on the handset synthesizer (" +
           countText(notesAtOnceCount, {"note", "notes"}) + " at once)\n";
}

int64_t lossMilliseconds(int64_t frame) {
    return voiceBufferStart(frame / VoiceBufferFrames + 1) - 1;
}

std::string voicesReport(const std::string& sourceName, const std::vector<uint8_t>& tune,
                         const VoiceSearch& search, int fewerVoices) {
    const int needed = search.smallestEqualPolyphony();
    std::string lines = neededVoicesLine(sourceName, needed, notesAtOnce(tune));
    const int64_t frame = fewerVoices < needed ? search.firstDifferentFrame(fewerVoices) : -1;
    if (frame >= 0) lines += lostNotesLine(sourceName, tune, fewerVoices, frame);
    return lines;
}
