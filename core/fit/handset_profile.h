#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/message_text.h"
#include "smf/midi_format.h"

// The kinds of message a profile can name as unsupported, in the order the
// check lists them. The first five are counted per channel.
enum class MessageKind {
    PitchBend,
    ChannelPressure,
    PolyPressure,
    Pan,
    BankSelect,
    MasterVolume,
    SysEx,
    TextEvents,
};
constexpr int MessageKindCount = 8;
constexpr int ChannelMessageKindCount = 5;

// The word a profile uses for the kind ("pitch-bend") and the words the
// check lines use ("pitch bend").
const char* messageKindKey(MessageKind kind);
const char* messageKindName(MessageKind kind);
// How the fit counts messages of the kind it left out: "12 pitch bends".
const CountWords& messageKindWords(MessageKind kind);

// How a handset takes the SP-MIDI MIP message.
enum class MipUse {
    Required,  // a file without one does not fit
    Allowed,   // not required, checked when present
    Ignored,   // never looked at
};

struct KeyRange {
    int lowest;
    int highest;
};

// What a family of handsets can play. Every limit is optional: one left out
// is not checked.
struct HandsetProfile {
    // The -P argument as it was given: the check lines name the profile by it.
    std::string name;
    // The keys the profile gives, in the order it first gives them.
    std::vector<std::string> givenKeys;
    std::optional<int32_t> voices;
    std::optional<int32_t> maxBytes;
    std::optional<int32_t> maxTracks;
    std::optional<KeyRange> keyRange;
    std::optional<int32_t> minNoteMs;
    std::optional<int32_t> maxTempoChanges;
    std::optional<int32_t> mipFirstMax;
    // Bit f set: format f is allowed.
    std::optional<uint8_t> allowedFormats;
    // Left out, the message is looked at when present and never required.
    MipUse mip = MipUse::Allowed;
    bool unsupported[MessageKindCount] = {};
    // Bit c set: channel c may carry drums. Bank 120 elsewhere is a finding,
    // and the drums' keys are not held to the key range.
    uint16_t drumChannels = 1u << PercussionChannel;

    bool isUnsupported(MessageKind kind) const { return unsupported[static_cast<int>(kind)]; }
    bool isDrumChannel(int channel) const { return (drumChannels >> channel & 1u) != 0; }
};
