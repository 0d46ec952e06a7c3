#include "fitting/unsupported_messages.h"

#include "fit/message_kinds.h"

namespace {
constexpr const char* LeftOut = "-> Fit [%s]: left out %s";

uint8_t unsupportedKinds(const HandsetProfile& profile) {
    uint8_t kinds = 0;
    for (int k = 0; k < MessageKindCount; ++k)
        if (profile.isUnsupported(static_cast<MessageKind>(k))) kinds = static_cast<uint8_t>(kinds | 1u << k);
    return kinds;
}
}  // namespace

void leaveOutUnsupported(FitTune& tune, const HandsetProfile& profile, FitChanges& changes) {
    const uint8_t unsupported = unsupportedKinds(profile);
    if (unsupported == 0) return;
    int64_t leftOut[MessageKindCount] = {};
    bool changed = false;
    for (FitEvent& event : tune.events) {
        const auto kinds =
            static_cast<uint8_t>(messageKindsOf(tune.bytesOf(event), event.length) & unsupported);
        if (kinds == 0) continue;
        event.kept = false;
        changed = true;
        for (int k = 0; k < MessageKindCount; ++k) leftOut[k] += isOfKind(kinds, static_cast<MessageKind>(k));
    }
    if (!changed) return;
    tune.sortPlayingOrder();
    for (int k = 0; k < MessageKindCount; ++k)
        if (leftOut[k] > 0)
            changes.add(LeftOut, {countText(leftOut[k], messageKindWords(static_cast<MessageKind>(k)))});
}
