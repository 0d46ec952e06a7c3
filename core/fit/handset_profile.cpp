#include "fit/handset_profile.h"

namespace {
struct KindWords {
    const char* key;
    const char* name;
};

// In MessageKind order.
constexpr KindWords Words[MessageKindCount] = {
    {"pitch-bend", "pitch bend"},
    {"channel-pressure", "channel pressure"},
    {"poly-pressure", "poly pressure"},
    {"pan", "pan"},
    {"bank-select", "bank select"},
    {"master-volume", "master volume"},
    {"sysex", "sysex"},
    {"text-events", "text events"},
};
}  // namespace

const char* messageKindKey(MessageKind kind) {
    return Words[static_cast<int>(kind)].key;
}

const char* messageKindName(MessageKind kind) {
    return Words[static_cast<int>(kind)].name;
}
