#include "fit/profile_rules.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>

#include "base/message_text.h"
#include "fit/profile_text.h"

namespace {
// Each %s after the name that stands for a count is the count with its word.
constexpr CountWords NoteWords{"note", "notes"};
constexpr CountWords VoiceWords{"voice", "voices"};
constexpr CountWords ByteWords{"byte", "bytes"};
constexpr CountWords TempoChangeWords{"tempo change", "tempo changes"};
constexpr CountWords MessageWords{"message", "messages"};

// A whole number of [Lowest, Highest] in Field: most keys are one.
template <std::optional<int32_t> HandsetProfile::*Field, int32_t Lowest, int32_t Highest>
bool takeNumber(const std::string& value, HandsetProfile& profile) {
    int64_t number = 0;
    if (!wholeNumber(value, Lowest, Highest, number)) return false;
    profile.*Field = static_cast<int32_t>(number);
    return true;
}

template <std::optional<int32_t> HandsetProfile::*Field>
std::string showNumber(const HandsetProfile& profile) {
    return std::to_string((profile.*Field).value_or(0));
}

// Each item a number of [0, highest], as one bit of the mask.
template <class Mask>
bool takeBits(const std::string& value, int highest, bool emptyFits, Mask& mask) {
    const std::vector<std::string> items = listItems(value);
    if (items.empty() && !emptyFits) return false;
    Mask bits = 0;
    for (const std::string& item : items) {
        int64_t number = 0;
        if (!wholeNumber(item, 0, highest, number)) return false;
        bits = static_cast<Mask>(bits | 1u << number);
    }
    mask = bits;
    return true;
}

std::string bitsText(uint32_t mask, int count) {
    std::vector<std::string> items;
    for (int bit = 0; bit < count; ++bit)
        if ((mask >> bit & 1u) != 0) items.push_back(std::to_string(bit));
    return listText(items);
}

// mip: how the handset takes the MIP message.
constexpr const char* NoMip = "-> Handset check [%s]: no MIP message";
// The mip words, in MipUse order.
constexpr const char* MipWords[] = {"required", "allowed", "ignored"};

bool looksAtMip(const FitFacts& facts, const HandsetProfile& profile) {
    return facts.hasMipMessage && profile.mip != MipUse::Ignored;
}

std::string mipHint() {
    return std::string(MipWords[0]) + ", " + MipWords[1] + " or " + MipWords[2];
}

bool takeMip(const std::string& value, HandsetProfile& profile) {
    for (int use = 0; use < static_cast<int>(std::size(MipWords)); ++use) {
        if (value != MipWords[use]) continue;
        profile.mip = static_cast<MipUse>(use);
        return true;
    }
    return false;
}

std::string showMip(const HandsetProfile& profile) {
    return MipWords[static_cast<int>(profile.mip)];
}

void checkMipRequired(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (profile.mip == MipUse::Required && !facts.hasMipMessage) lines.add(NoMip, {});
}

// voices: the most voices the handset synthesizer spends at once, with the
// notes sounding then and the channels that take them. A handset that
// honours the MIP message mutes the channels whose MIP is over its voices.
// "N voices at once (C notes) at PLACE, over V voices; CHANNELS", each count
// in the singular for one.
constexpr const char* VoicesAtOnce = "-> Handset check [%s]: %s at once (%s) at %s, over %s; %s";

int32_t mipVoicesOf(const FitFacts& facts, const HandsetProfile& profile) {
    return looksAtMip(facts, profile) ? *profile.voices : NoMipMuting;
}

// "ch9 12, ch0 6": the channels with voices, the most first.
std::string channelVoicesText(const VoiceCount& count) {
    std::vector<int> sounding;
    for (int channel = 0; channel < ChannelCount; ++channel)
        if (count.channelVoices[channel] > 0) sounding.push_back(channel);
    std::stable_sort(sounding.begin(), sounding.end(),
                     [&count](int a, int b) { return count.channelVoices[a] > count.channelVoices[b]; });
    std::vector<std::string> items;
    for (int channel : sounding)
        items.push_back("ch" + std::to_string(channel) + " " + std::to_string(count.channelVoices[channel]));
    return joinedText(items, ", ");
}

void checkVoices(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.voices) return;
    const VoiceCount peak = facts.peakVoices(mipVoicesOf(facts, profile));
    if (peak.voices > *profile.voices)
        lines.add(VoicesAtOnce, {countText(peak.voices, VoiceWords), countText(peak.notes, NoteWords),
                                 facts.placeOf(EventPlace{peak.tick, peak.track, 0}),
                                 countText(*profile.voices, VoiceWords), channelVoicesText(peak)});
}

// max-bytes: the file's size.
constexpr const char* TooLarge = "-> Handset check [%s]: %s, over %d";

void checkSize(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (profile.maxBytes && static_cast<int64_t>(facts.size) > *profile.maxBytes)
        lines.add(TooLarge, {countText(static_cast<int64_t>(facts.size), ByteWords), *profile.maxBytes});
}

// max-tracks: the tracks the header announces. The synthesizer refuses a
// file of more at prepare; -0 may merge them into one.
constexpr const char* TooManyTracks = "-> Handset check [%s]: %d tracks, over %d%s";
constexpr const char* MergedByFormatZero = " (-0 merges them)";

void checkTracks(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.maxTracks || facts.tracks <= *profile.maxTracks) return;
    const bool merges = facts.formatZeroMerges && facts.formatZeroMerges();
    lines.add(TooManyTracks, {facts.tracks, *profile.maxTracks, merges ? MergedByFormatZero : ""});
}

// formats: the file's format.
constexpr const char* FormatNotAllowed = "-> Handset check [%s]: format %d, not allowed";
constexpr int FormatCount = 3;

std::string formatsHint() {
    return "0 1";
}

bool takeFormats(const std::string& value, HandsetProfile& profile) {
    uint8_t formats = 0;
    if (!takeBits(value, FormatCount - 1, false, formats)) return false;
    profile.allowedFormats = formats;
    return true;
}

std::string showFormats(const HandsetProfile& profile) {
    return bitsText(profile.allowedFormats.value_or(0), FormatCount);
}

void checkFormat(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.allowedFormats) return;
    const bool allowed =
        facts.format >= 0 && facts.format < FormatCount && (*profile.allowedFormats >> facts.format & 1) != 0;
    if (!allowed) lines.add(FormatNotAllowed, {facts.format});
}

// max-tempo-changes: Set Tempo events that change the tempo in force.
constexpr const char* TempoChanges = "-> Handset check [%s]: %s, over %d, first at %s";

void checkTempoChanges(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    const Tally& changes = facts.tempoChanges;
    if (profile.maxTempoChanges && changes.count > *profile.maxTempoChanges)
        lines.add(TempoChanges, {countText(changes.count, TempoChangeWords), *profile.maxTempoChanges,
                                 facts.placeOf(changes.first)});
}

// min-note-ms: every note's length, by the tempo map: the notes shorter
// than each whole number of milliseconds up to the limit.
constexpr const char* ShortNotes = "-> Handset check [%s]: notes shorter than %d ms: %d, first at %s";

void checkNoteLengths(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!profile.minNoteMs || facts.division <= 0) return;
    Tally shorter;
    const auto end = facts.shortNotes.upper_bound(*profile.minNoteMs);
    for (auto notes = facts.shortNotes.begin(); notes != end; ++notes) shorter.add(notes->second);
    if (shorter.count > 0)
        lines.add(ShortNotes, {*profile.minNoteMs, shorter.count, facts.placeOf(shorter.first)});
}

// key-range: the keys of every channel but the drum channels.
constexpr const char* KeysOutside =
    "-> Handset check [%s]: keys outside %d-%d on ch%d: %s, first key %d at %s";

std::string keyRangeHint() {
    return "12-108";
}

bool takeKeyRange(const std::string& value, HandsetProfile& profile) {
    const size_t dash = value.find('-');
    if (dash == std::string::npos) return false;
    int64_t lowest = 0;
    int64_t highest = 0;
    if (!wholeNumber(trimmed(value.substr(0, dash)), 0, KeyCount - 1, lowest) ||
        !wholeNumber(trimmed(value.substr(dash + 1)), lowest, KeyCount - 1, highest))
        return false;
    profile.keyRange = KeyRange{static_cast<int>(lowest), static_cast<int>(highest)};
    return true;
}

std::string showKeyRange(const HandsetProfile& profile) {
    const KeyRange range = profile.keyRange.value_or(KeyRange{0, KeyCount - 1});
    return std::to_string(range.lowest) + "-" + std::to_string(range.highest);
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
                                    firstKey, facts.placeOf(outside.first)});
    }
}

// unsupported: each kind of message named, found and counted.
constexpr const char* ChannelMessages = "-> Handset check [%s]: %s on ch%d, %s, first at %s";
constexpr const char* FileMessages = "-> Handset check [%s]: %s, %s, first at %s";

std::string unsupportedHint() {
    std::string kinds;
    for (int kind = 0; kind < MessageKindCount; ++kind)
        kinds += (kind == 0 ? "" : " ") + std::string(messageKindKey(static_cast<MessageKind>(kind)));
    return kinds;
}

bool takeUnsupported(const std::string& value, HandsetProfile& profile) {
    bool named[MessageKindCount] = {};
    for (const std::string& item : listItems(value)) {
        int kind = 0;
        while (kind < MessageKindCount && item != messageKindKey(static_cast<MessageKind>(kind))) ++kind;
        if (kind == MessageKindCount) return false;
        named[kind] = true;
    }
    std::copy(named, named + MessageKindCount, profile.unsupported);
    return true;
}

std::string showUnsupported(const HandsetProfile& profile) {
    std::vector<std::string> kinds;
    for (int kind = 0; kind < MessageKindCount; ++kind)
        if (profile.unsupported[kind]) kinds.push_back(messageKindKey(static_cast<MessageKind>(kind)));
    return listText(kinds);
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
                           facts.placeOf(found.first)});
            else
                lines.add(FileMessages, {messageKindName(kind), countText(found.count, MessageWords),
                                         facts.placeOf(found.first)});
        }
    }
}

// drum-channels: bank 120, which asks for drums, on any other channel.
constexpr const char* DrumsOutside =
    "-> Handset check [%s]: drums (bank 120) on ch%d, not a drum channel, first at %s";

bool takeDrumChannels(const std::string& value, HandsetProfile& profile) {
    return takeBits(value, ChannelCount - 1, true, profile.drumChannels);
}

std::string showDrumChannels(const HandsetProfile& profile) {
    return bitsText(profile.drumChannels, ChannelCount);
}

std::string drumChannelsHint() {
    return "default " + showDrumChannels(HandsetProfile());
}

void checkDrumBanks(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const Tally& banks = facts.drumBanks[channel];
        if (banks.count > 0 && !profile.isDrumChannel(channel))
            lines.add(DrumsOutside, {channel, facts.placeOf(banks.first)});
    }
}

// mip-first-max: the first value of the MIP table.
constexpr const char* FirstMip = "-> Handset check [%s]: first MIP value %d, over %d";

void checkFirstMip(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines) {
    if (!looksAtMip(facts, profile) || !profile.mipFirstMax || facts.mips.empty()) return;
    const int first = facts.mips.front().mip;
    if (first > *profile.mipFirstMax) lines.add(FirstMip, {first, *profile.mipFirstMax});
}

const std::vector<ProfileRule> Rules = {
    {"voices", nullptr, takeNumber<&HandsetProfile::voices, 1, 65535>, showNumber<&HandsetProfile::voices>,
     checkVoices},
    {"max-bytes", nullptr, takeNumber<&HandsetProfile::maxBytes, 1, INT32_MAX>,
     showNumber<&HandsetProfile::maxBytes>, checkSize},
    {"max-tracks", nullptr, takeNumber<&HandsetProfile::maxTracks, 1, 65535>,
     showNumber<&HandsetProfile::maxTracks>, checkTracks},
    {"formats", formatsHint, takeFormats, showFormats, checkFormat},
    {"max-tempo-changes", nullptr, takeNumber<&HandsetProfile::maxTempoChanges, 0, INT32_MAX>,
     showNumber<&HandsetProfile::maxTempoChanges>, checkTempoChanges},
    {"min-note-ms", nullptr, takeNumber<&HandsetProfile::minNoteMs, 1, 65535>,
     showNumber<&HandsetProfile::minNoteMs>, checkNoteLengths},
    {"key-range", keyRangeHint, takeKeyRange, showKeyRange, checkKeyRange},
    {"unsupported", unsupportedHint, takeUnsupported, showUnsupported, checkUnsupported},
    {"drum-channels", drumChannelsHint, takeDrumChannels, showDrumChannels, checkDrumBanks},
    {"mip", mipHint, takeMip, showMip, checkMipRequired},
    {"mip-first-max", nullptr, takeNumber<&HandsetProfile::mipFirstMax, 0, SpMidiMaxMip>,
     showNumber<&HandsetProfile::mipFirstMax>, checkFirstMip},
};
}  // namespace

const std::vector<ProfileRule>& profileRules() {
    return Rules;
}

const ProfileRule* profileRule(const std::string& key) {
    for (const ProfileRule& rule : Rules)
        if (key == rule.key) return &rule;
    return nullptr;
}

std::string profileKeysText() {
    std::string text;
    for (const ProfileRule& rule : Rules) {
        text += (text.empty() ? "" : ", ") + std::string(rule.key);
        if (rule.hint != nullptr) text += " (" + rule.hint() + ")";
    }
    return text;
}
