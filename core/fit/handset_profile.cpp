#include "fit/handset_profile.h"

namespace {
struct KindWords {
    const char* key;
    const char* name;
    CountWords counted;
};

// In MessageKind order.
constexpr KindWords Words[MessageKindCount] = {
    {"pitch-bend", "pitch bend", {"pitch bend", "pitch bends"}},
    {"channel-pressure", "channel pressure", {"channel pressure message", "channel pressure messages"}},
    {"poly-pressure", "poly pressure", {"poly pressure message", "poly pressure messages"}},
    {"pan", "pan", {"pan message", "pan messages"}},
    {"bank-select", "bank select", {"bank select", "bank selects"}},
    {"master-volume", "master volume", {"master volume message", "master volume messages"}},
    {"sysex", "sysex", {"sysex message", "sysex messages"}},
    {"text-events", "text events", {"text event", "text events"}},
};
}  // namespace

const char* messageKindKey(MessageKind kind) {
    return Words[static_cast<int>(kind)].key;
}

const char* messageKindName(MessageKind kind) {
    return Words[static_cast<int>(kind)].name;
}

const CountWords& messageKindWords(MessageKind kind) {
    return Words[static_cast<int>(kind)].counted;
}
