#include "fitting/handset_fitter.h"

#include <algorithm>
#include <memory>
#include <new>

#include "fit/fit_facts.h"
#include "fitting/fit_tune.h"
#include "fitting/key_moves.h"
#include "fitting/note_lengthening.h"
#include "fitting/spmidi_order.h"
#include "fitting/tempo_folding.h"
#include "fitting/unsupported_messages.h"
#include "fitting/voice_thinning.h"
#include "playing/finding_place.h"
#include "playing/midi_kinds.h"
#include "playing/mip_measure.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"

namespace {
constexpr const char* SpMidiOrder = "-> Fit [%s]: SP-MIDI order %s";
constexpr const char* Thinned =
    "-> Fit [%s]: %d notes left out, %d ended early, to play within %d voices, first at %s";
constexpr const char* FormatZero = "-> Fit [%s]: format %d to format 0, %d tracks to 1";
constexpr const char* Smaller = "-> Fit [%s]: %d bytes from %d";
constexpr const char* Closing = "-> Fit [%s]: %d changes; %d findings not fixed";

bool breaksUnsupported(const FitFacts& facts, const HandsetProfile& profile) {
    for (int k = 0; k < MessageKindCount; ++k)
        for (const Tally& found : facts.messages[k])
            if (profile.isUnsupported(static_cast<MessageKind>(k)) && found.count > 0) return true;
    return false;
}

bool breaksKeyRange(const FitFacts& facts, const HandsetProfile& profile) {
    if (!profile.keyRange) return false;
    for (int channel = 0; channel < ChannelCount; ++channel)
        for (int key = 0; key < KeyCount && !profile.isDrumChannel(channel); ++key)
            if ((key < profile.keyRange->lowest || key > profile.keyRange->highest) &&
                facts.keys[channel][key].count > 0)
                return true;
    return false;
}

bool breaksNoteLengths(const FitFacts& facts, const HandsetProfile& profile) {
    return profile.minNoteMs && facts.division > 0 &&
           facts.shortNotes.begin() != facts.shortNotes.upper_bound(*profile.minNoteMs);
}

bool breaksTempoChanges(const FitFacts& facts, const HandsetProfile& profile) {
    return profile.maxTempoChanges && facts.tempoChanges.count > *profile.maxTempoChanges;
}

bool honoursMip(const HandsetProfile& profile) {
    return profile.voices && profile.mip != MipUse::Ignored;
}

int32_t firstLimitOf(const HandsetProfile& profile) {
    return profile.mipFirstMax ? std::min(*profile.voices, *profile.mipFirstMax) : *profile.voices;
}

// How the voices rule applies to a file, decided on its facts.
enum class VoicesWay { None, ChooseOrder, ThinGivenFirst, Thin };

// A MIP message the converted file carries already (without -S the
// conversion keeps the source's) is judged as the check judges it.
bool mipMessageFits(const FitFacts& facts, const HandsetProfile& profile) {
    const bool firstFits =
        !profile.mipFirstMax || facts.mips.empty() || facts.mips.front().mip <= *profile.mipFirstMax;
    return firstFits && facts.peakVoices(*profile.voices).voices <= *profile.voices;
}

VoicesWay voicesWayOf(const FitFacts& facts, const HandsetProfile& profile, const SpMidiSettings& spMidi) {
    if (!profile.voices) return VoicesWay::None;
    const bool over = facts.peakVoices(NoMipMuting).voices > *profile.voices;
    if (!honoursMip(profile)) return over ? VoicesWay::Thin : VoicesWay::None;
    if (spMidi.enabled) return VoicesWay::ThinGivenFirst;
    if (facts.hasMipMessage) return mipMessageFits(facts, profile) ? VoicesWay::None : VoicesWay::ChooseOrder;
    return over || profile.mip == MipUse::Required ? VoicesWay::ChooseOrder : VoicesWay::None;
}

// The first channel with notes of the order the user gave.
int firstWithNotes(const FitTune& tune, const std::vector<int>& given) {
    uint16_t withNotes = 0;
    for (const FitEvent& event : tune.events) {
        const uint8_t* bytes = tune.bytesOf(event);
        if (event.kept && isNoteStart(bytes, event.length))
            withNotes = static_cast<uint16_t>(withNotes | 1u << statusChannel(bytes[0]));
    }
    for (const int channel : spMidiChannelOrder(given))
        if (bitIsSet(withNotes, channel)) return channel;
    return -1;
}

std::string orderDigits(const std::vector<int>& channels) {
    std::string digits;
    for (const int channel : channels) digits += "0123456789ABCDEF"[channel];
    return digits;
}

// A kept SysEx event of that kind.
bool isSysExOf(SysExKind kind, const FitTune& tune, const FitEvent& event) {
    const uint8_t* bytes = tune.bytesOf(event);
    const bool sysEx = event.length > 0 && (bytes[0] == StatusSysEx || bytes[0] == StatusSysExContinuation);
    return event.kept && sysEx && sysExKind(bytes, event.length) == kind;
}

// The MIP message goes first of all, and a GM System On after it unmutes
// every channel again: a handset that honours the message then plays them all.
bool unmutesChannels(const FitTune& tune) {
    return std::any_of(tune.events.begin(), tune.events.end(), [&tune](const FitEvent& event) {
        return isSysExOf(SysExKind::GmSystemOn, tune, event);
    });
}

// A thinning's line, its place named once the file is written.
struct PendingThinning {
    Thinning done;
    int32_t voices = 0;
};

class EventFit {
public:
    EventFit(const EventFitInput& fitInput, const HandsetProfile& fitProfile, SpMidiSettings& settings)
        : input(fitInput), profile(fitProfile), spMidi(settings) {}

    Result run(std::vector<uint8_t>& bytes, FitChanges& changes) {
        const auto facts = std::make_unique<FitFacts>(bytes.data(), bytes.size());
        const bool unsupported = breaksUnsupported(*facts, profile);
        const bool keys = breaksKeyRange(*facts, profile);
        const bool lengths = breaksNoteLengths(*facts, profile);
        const bool tempos = breaksTempoChanges(*facts, profile);
        const VoicesWay voices = voicesWayOf(*facts, profile, spMidi);
        if (!unsupported && !keys && !lengths && !tempos && voices == VoicesWay::None)
            return Result::success();
        if (!tune.read(bytes.data(), bytes.size())) return Result::success();
        // Re-timing goes before the lengths, which are then measured on the final clock;
        // the lines still come in the rules' order.
        FitChanges lengthLines(changes.profileName());
        FitChanges tempoLines(changes.profileName());
        if (unsupported) leaveOutUnsupported(tune, profile, changes);
        if (keys) moveKeysIntoRange(tune, profile, changes);
        if (tempos) foldTempos(tune, profile, tempoLines);
        if (lengths || tempos) lengthenShortNotes(tune, profile, lengthLines);
        fitVoices(voices);
        const bool eventsChanged = !changes.lines().empty() || !lengthLines.lines().empty() ||
                                   !tempoLines.lines().empty() || thinned() || mipMessagesLeftOut;
        if (eventsChanged && !tune.write(input.runningStatusMode, bytes)) return Result::success();
        appendLines(lengthLines, changes);
        appendLines(tempoLines, changes);
        sayVoices(bytes, changes);
        return Result::success();
    }

private:
    const EventFitInput& input;
    const HandsetProfile& profile;
    SpMidiSettings& spMidi;
    FitTune tune;
    std::vector<int> chosenOrder;
    std::vector<PendingThinning> thinnings;
    bool mipMessagesLeftOut = false;

    static void appendLines(const FitChanges& from, FitChanges& to) {
        for (const std::string& line : from.lines()) to.addLine(line);
    }

    void fitVoices(VoicesWay way) {
        if (way == VoicesWay::None) return;
        // Where the MIP message cannot keep channels muted, every note counts,
        // and a message is then written only where one is given or required.
        const bool unmuted = way != VoicesWay::Thin && unmutesChannels(tune);
        if (unmuted && way == VoicesWay::ChooseOrder && profile.mip != MipUse::Required)
            way = VoicesWay::Thin;
        if (way == VoicesWay::Thin || unmuted) thinAll();
        if (way == VoicesWay::ThinGivenFirst) thinGivenFirst();
        if (way == VoicesWay::ChooseOrder) chooseOrder();
    }

    void thinAll() {
        const int32_t voices = *profile.voices;
        const std::vector<int> priority = spMidiChannelOrder(spMidi.priority);
        thinnings.push_back({thinVoices(tune, voices, priority, 0xFFFF, profile.minNoteMs), voices});
    }

    void thinGivenFirst() {
        const int first = firstWithNotes(tune, spMidi.priority);
        const int32_t firstLimit = firstLimitOf(profile);
        if (first >= 0) thinnings.push_back({thinChannelTo(tune, first, firstLimit), firstLimit});
    }

    void chooseOrder() {
        // The message the fit writes takes the place of any the file carries.
        for (FitEvent& event : tune.events)
            if (isSysExOf(SysExKind::MipMessage, tune, event)) {
                event.kept = false;
                mipMessagesLeftOut = true;
            }
        const int32_t firstLimit = firstLimitOf(profile);
        const ChosenOrder chosen = chooseSpMidiOrder(tune, *profile.voices, firstLimit);
        thinnings.push_back({chosen.thinnedFirst, firstLimit});
        chosenOrder = chosen.channels;
        spMidi.enabled = 1;
        spMidi.priority = chosenOrder;
    }

    bool thinned() const {
        return std::any_of(thinnings.begin(), thinnings.end(),
                           [](const PendingThinning& pending) { return pending.done.changed(); });
    }

    // Without a source, the places count bars in the file itself.
    FindingPlace placesIn(const std::vector<uint8_t>& bytes) const {
        if (input.source == nullptr) return FindingPlace(bytes.data(), bytes.size());
        return FindingPlace(bytes.data(), bytes.size(), input.source, input.sourceSize);
    }

    void sayVoices(const std::vector<uint8_t>& bytes, FitChanges& changes) const {
        if (thinned()) {
            const FindingPlace places = placesIn(bytes);
            for (const PendingThinning& pending : thinnings)
                if (pending.done.changed())
                    changes.add(Thinned, {pending.done.leftOut, pending.done.endedEarly, pending.voices,
                                          places.at(pending.done.firstTrack, pending.done.firstTick)});
        }
        if (!chosenOrder.empty()) changes.add(SpMidiOrder, {orderDigits(chosenOrder)});
    }
};

int32_t formatOf(const std::vector<uint8_t>& bytes) {
    return static_cast<int32_t>(bigEndian16(bytes.data() + FormatOffset));
}

int32_t tracksOf(const std::vector<uint8_t>& bytes) {
    return static_cast<int32_t>(bigEndian16(bytes.data() + TrackCountOffset));
}

bool needsFormatZero(const std::vector<uint8_t>& bytes, const HandsetProfile& profile) {
    const int32_t format = formatOf(bytes);
    const bool allowed =
        !profile.allowedFormats || (format >= 0 && format < 3 && bitIsSet(*profile.allowedFormats, format));
    return !allowed || (profile.maxTracks && tracksOf(bytes) > *profile.maxTracks && tracksOf(bytes) > 1);
}

// The copyright notices go last: they are the maker's, but a handset never plays them.
bool leaveOutCopyright(std::vector<uint8_t>& bytes) {
    FitTune tune;
    if (!tune.read(bytes.data(), bytes.size())) return false;
    bool found = false;
    for (FitEvent& event : tune.events) {
        if (metaTypeOf(tune.bytesOf(event), event.length) != MetaCopyright) continue;
        event.kept = false;
        found = true;
    }
    // The slimmed file is written under plain running status.
    return found && tune.write(1, bytes);
}

Result slimmedAs(const SlimSettings& settings, std::vector<uint8_t>& bytes, SlimOutcome& slim) {
    const size_t before = slim.done ? slim.bytesBefore : bytes.size();
    const Result done = slimFile(settings, bytes, slim);
    slim.bytesBefore = before;
    return done;
}

Result fitSize(std::vector<uint8_t>& bytes, const HandsetProfile& profile, SlimSettings settings,
               SlimOutcome& slim, FitChanges& changes) {
    const auto over = [&] { return static_cast<int64_t>(bytes.size()) > *profile.maxBytes; };
    if (!profile.maxBytes || !over()) return Result::success();
    const size_t before = bytes.size();
    settings.slim = 1;
    settings.formatZero = 1;
    const Result slimmed = slimmedAs(settings, bytes, slim);
    if (slimmed.failed()) return slimmed;
    if (over()) leaveOutCopyright(bytes);
    slim.bytesAfter = bytes.size();
    if (bytes.size() < before)
        changes.add(Smaller, {static_cast<int64_t>(bytes.size()), static_cast<int64_t>(before)});
    return Result::success();
}
}  // namespace

Result fitEvents(std::vector<uint8_t>& bytes, const EventFitInput& input, const HandsetProfile& profile,
                 SpMidiSettings& spMidi, FitChanges& changes) {
    try {
        EventFit fit(input, profile, spMidi);
        return fit.run(bytes, changes);
    } catch (const std::bad_alloc&) {
        return Result::failure(OutOfMemoryMessage);
    }
}

Result fitFormatAndSize(std::vector<uint8_t>& bytes, const HandsetProfile& profile, const SlimSettings& asked,
                        SlimOutcome& slim, FitChanges& changes) {
    if (bytes.size() < static_cast<size_t>(SmfHeaderSize)) return Result::success();
    SlimSettings settings = asked;
    const bool formatZero = needsFormatZero(bytes, profile);
    const int32_t format = formatOf(bytes);
    const int32_t tracks = tracksOf(bytes);
    if (formatZero) {
        settings.formatZero = 1;
        settings.mergeAnyFormat = 1;
    }
    if (settings.asked()) {
        const Result slimmed = slimFile(settings, bytes, slim);
        if (slimmed.failed()) return slimmed;
    }
    if (formatZero && slim.note == SlimNote::None && formatOf(bytes) == 0)
        changes.add(FormatZero, {format, tracks});
    return fitSize(bytes, profile, settings, slim, changes);
}

std::string fitClosingLine(const FitChanges& changes, const HandsetFit& checked) {
    return messageText(Closing, {changes.profileName(), static_cast<int64_t>(changes.lines().size()),
                                 static_cast<int64_t>(checked.findings.size())});
}
