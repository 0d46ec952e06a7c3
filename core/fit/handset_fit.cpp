#include "fit/handset_fit.h"

#include <initializer_list>
#include <memory>
#include <new>

#include "base/message_text.h"

namespace {
// Each %s after the name that stands for a count is the count with its word.
constexpr const char* NotesAtOnce = "-> Handset check [%s]: %s at once at track %d tick %d, over %s";
constexpr const char* TooLarge = "-> Handset check [%s]: %s, over %d";
constexpr const char* FormatNotAllowed = "-> Handset check [%s]: format %d, not allowed";
constexpr const char* TempoChanges = "-> Handset check [%s]: %s, over %d, first at track %d tick %d";
constexpr const char* ShortNotes =
    "-> Handset check [%s]: notes shorter than %d ms: %d, first at track %d tick %d";
constexpr const char* KeysOutside =
    "-> Handset check [%s]: keys outside %d-%d on ch%d: %s, first key %d at track %d tick %d";
constexpr const char* ChannelMessages = "-> Handset check [%s]: %s on ch%d, %s, first at track %d tick %d";
constexpr const char* FileMessages = "-> Handset check [%s]: %s, %s, first at track %d tick %d";
constexpr const char* DrumsOutside =
    "-> Handset check [%s]: drums (bank 120) on ch%d, not a drum channel, first at track %d tick %d";
constexpr const char* NoMip = "-> Handset check [%s]: no MIP message";
constexpr const char* FirstMip = "-> Handset check [%s]: first MIP value %d, over %d";
constexpr const char* Fits = "-> Handset check [%s]: fits";
constexpr const char* Findings = "-> Handset check [%s]: %s";

constexpr CountWords NoteWords{"note", "notes"};
constexpr CountWords VoiceWords{"voice", "voices"};
constexpr CountWords ByteWords{"byte", "bytes"};
constexpr CountWords TempoChangeWords{"tempo change", "tempo changes"};
constexpr CountWords MessageWords{"message", "messages"};
constexpr CountWords FindingWords{"finding", "findings"};

constexpr uint16_t AllChannels = 0xFFFF;

// Collects the finding lines of one profile.
class FindingLines {
public:
    explicit FindingLines(HandsetFit& fitOfProfile) : fit(fitOfProfile) {}

    // The profile's name is the pattern's first field.
    void add(const char* pattern, std::initializer_list<MessageField> fields) {
        std::vector<MessageField> all{fit.name};
        all.insert(all.end(), fields);
        fit.findings.push_back(messageText(pattern, all));
    }

private:
    HandsetFit& fit;
};

bool looksAtMip(const FitFacts& facts, const HandsetProfile& profile) {
    return facts.hasMipMessage && profile.mip != MipUse::Ignored;
}

// A handset that honours the MIP message plays only the channels whose MIP
// is within its voices.
uint16_t playedChannels(const FitFacts& facts, const HandsetProfile& profile) {
    if (!looksAtMip(facts, profile)) return AllChannels;
    uint16_t played = 0;
    for (const SpMidiEntry& entry : facts.mips)
        if (entry.mip <= *profile.voices) played = static_cast<uint16_t>(played | 1u << entry.channel);
    return played;
}

void checkVoices(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.voices) return;
    const PeakNotes peak = facts.peakNotes(playedChannels(facts, profile));
    if (peak.count > *profile.voices)
        lines.add(NotesAtOnce, {countText(peak.count, NoteWords), peak.track, peak.tick,
                                countText(*profile.voices, VoiceWords)});
}

void checkSize(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (profile.maxBytes && static_cast<int64_t>(facts.size) > *profile.maxBytes)
        lines.add(TooLarge, {countText(static_cast<int64_t>(facts.size), ByteWords), *profile.maxBytes});
}

void checkFormat(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.allowedFormats) return;
    const bool allowed =
        facts.format >= 0 && facts.format <= 2 && (*profile.allowedFormats >> facts.format & 1u) != 0;
    if (!allowed) lines.add(FormatNotAllowed, {facts.format});
}

void checkTempoChanges(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    const Tally& changes = facts.tempoChanges;
    if (profile.maxTempoChanges && changes.count > *profile.maxTempoChanges)
        lines.add(TempoChanges, {countText(changes.count, TempoChangeWords), *profile.maxTempoChanges,
                                 changes.first.track, changes.first.tick});
}

void checkNoteLengths(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.minNoteMs || facts.division <= 0) return;
    const int64_t shortest = int64_t{*profile.minNoteMs} * 1000 * facts.division;
    Tally shorter;
    for (const NoteLength& note : facts.noteLengths)
        if (note.scaled < shortest) shorter.add(note.start);
    if (shorter.count > 0)
        lines.add(ShortNotes, {*profile.minNoteMs, shorter.count, shorter.first.track, shorter.first.tick});
}

void checkKeyRange(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.keyRange) return;
    const KeyRange range = *profile.keyRange;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (profile.isDrumChannel(channel)) continue;
        Tally outside;
        int firstKey = 0;
        for (int key = 0; key < KeyCount; ++key) {
            const Tally& notes = facts.keys[channel][key];
            if ((key >= range.lowest && key <= range.highest) || notes.count == 0) continue;
            if (outside.count == 0 || notes.first.before(outside.first)) firstKey = key;
            outside.add(notes);
        }
        if (outside.count > 0)
            lines.add(KeysOutside, {range.lowest, range.highest, channel, countText(outside.count, NoteWords),
                                    firstKey, outside.first.track, outside.first.tick});
    }
}

void checkUnsupported(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    for (int k = 0; k < MessageKindCount; ++k) {
        const auto kind = static_cast<MessageKind>(k);
        if (!profile.isUnsupported(kind)) continue;
        const bool perChannel = k < ChannelMessageKindCount;
        for (int channel = 0; channel < (perChannel ? ChannelCount : 1); ++channel) {
            const Tally& found = facts.messages[k][channel];
            if (found.count == 0) continue;
            if (perChannel)
                lines.add(ChannelMessages,
                          {messageKindName(kind), channel, countText(found.count, MessageWords),
                           found.first.track, found.first.tick});
            else
                lines.add(FileMessages, {messageKindName(kind), countText(found.count, MessageWords),
                                         found.first.track, found.first.tick});
        }
    }
}

void checkDrumBanks(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const Tally& banks = facts.drumBanks[channel];
        if (banks.count > 0 && !profile.isDrumChannel(channel))
            lines.add(DrumsOutside, {channel, banks.first.track, banks.first.tick});
    }
}

void checkMip(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (profile.mip == MipUse::Required && !facts.hasMipMessage) lines.add(NoMip, {});
    if (!looksAtMip(facts, profile) || !profile.mipFirstMax || facts.mips.empty()) return;
    const int first = facts.mips.front().mip;
    if (first > *profile.mipFirstMax) lines.add(FirstMip, {first, *profile.mipFirstMax});
}
}  // namespace

std::vector<std::string> HandsetFit::lines() const {
    std::vector<std::string> all = findings;
    if (findings.empty())
        all.push_back(messageText(Fits, {name}));
    else
        all.push_back(
            messageText(Findings, {name, countText(static_cast<int64_t>(findings.size()), FindingWords)}));
    return all;
}

HandsetFit checkHandsetFit(const FitFacts& facts, const HandsetProfile& profile) {
    HandsetFit fit;
    fit.name = profile.name;
    FindingLines lines(fit);
    for (auto check : {checkVoices, checkSize, checkFormat, checkTempoChanges, checkNoteLengths,
                       checkKeyRange, checkUnsupported, checkDrumBanks, checkMip})
        check(facts, profile, lines);
    return fit;
}

Result checkHandsetFits(const std::vector<uint8_t>& bytes, const std::vector<HandsetProfile>& profiles,
                        std::vector<HandsetFit>& fits) {
    fits.clear();
    if (profiles.empty()) return Result::success();
    try {
        // The facts hold a tally per channel and key: too large for a thread's stack.
        const auto facts = std::make_unique<FitFacts>(bytes.data(), bytes.size());
        for (const HandsetProfile& profile : profiles) fits.push_back(checkHandsetFit(*facts, profile));
        return Result::success();
    } catch (const std::bad_alloc&) {
        fits.clear();
        return Result::failure(OutOfMemoryMessage);
    }
}
