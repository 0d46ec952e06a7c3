#include "slim/slim_plan.h"

#include <map>

#include "playing/midi_kinds.h"
#include "slim/held_controllers.h"
#include "slim/slim_rules.h"
#include "smf/mtrk.h"

namespace {
// A SysEx message of a maker: its F0 event and the F7 packets that continue it.
struct MakersMessage {
    std::vector<size_t> packets;
    // No byte of it is a status byte, which the synthesizer would act on.
    bool silent = true;
};

// What a handset never hears, found in playing order.
struct Unheard {
    std::vector<size_t> singles;
    std::vector<MakersMessage> messages;
};

class UnheardFinder {
public:
    explicit UnheardFinder(const PlayedEvents& playedEvents)
        : played(playedEvents),
          openMessage(static_cast<size_t>(playedEvents.trackCount()), NoMessage),
          openUniversal(static_cast<size_t>(playedEvents.trackCount()), false) {}

    void visit(size_t index) {
        const TimedEvent& event = played.events[index];
        const uint8_t* bytes = played.bytesOf(event);
        if (event.kind == EVENT_CHANNEL) visitChannelMessage(index, bytes, event);
        if (event.kind == EVENT_META && isSilentMeta(bytes, event.length)) found.singles.push_back(index);
        if (event.kind == EVENT_SYSEX && bytes[0] == StatusSysEx) visitMessage(index, bytes, event);
        if (event.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation)
            visitPacket(index, bytes, event);
    }

    Unheard found;

private:
    static constexpr size_t NoMessage = SIZE_MAX;
    const PlayedEvents& played;
    HeldControllers held;
    // Per track: the left-out message that F7 packets still continue.
    std::vector<size_t> openMessage;
    // Per track: a universal message that F7 packets may still continue.
    std::vector<bool> openUniversal;

    void visitChannelMessage(size_t index, const uint8_t* bytes, const TimedEvent& event) {
        // A channel message ends a message's packets: later F7 events are no part of it.
        openMessage[static_cast<size_t>(event.track)] = NoMessage;
        openUniversal[static_cast<size_t>(event.track)] = false;
        if (event.length < (hasTwoDataBytes(bytes[0]) ? 3 : 2)) return;
        if (held.isRedundant(bytes)) found.singles.push_back(index);
        held.apply(bytes);
    }

    void visitMessage(size_t index, const uint8_t* bytes, const TimedEvent& event) {
        size_t& open = openMessage[static_cast<size_t>(event.track)];
        open = NoMessage;
        const SysExKind kind = sysExKind(bytes, event.length);
        if (kind == SysExKind::GmSystemOn) held.forgetAll();
        const bool universal = isUniversal(kind);
        openUniversal[static_cast<size_t>(event.track)] = universal && !endsSysExMessage(bytes, event.length);
        if (universal) return;
        found.messages.push_back({{index}, carriesDataOnly(bytes, event.length)});
        if (!endsSysExMessage(bytes, event.length)) open = found.messages.size() - 1;
    }

    void visitPacket(size_t index, const uint8_t* bytes, const TimedEvent& event) {
        // Its packets may complete a GM system on, which resets every channel.
        if (openUniversal[static_cast<size_t>(event.track)]) held.forgetAll();
        if (endsSysExMessage(bytes, event.length)) openUniversal[static_cast<size_t>(event.track)] = false;
        size_t& open = openMessage[static_cast<size_t>(event.track)];
        if (open == NoMessage) return;
        MakersMessage& message = found.messages[open];
        message.packets.push_back(index);
        message.silent = message.silent && carriesDataOnly(bytes, event.length);
        if (endsSysExMessage(bytes, event.length)) open = NoMessage;
    }
};
}  // namespace

SlimPlan::SlimPlan(const PlayedEvents& playedEvents, SlimLayout chosen, bool leaveOut)
    : played(playedEvents),
      layout(chosen),
      order(playedEvents.playingOrder()),
      kept(playedEvents.events.size(), true),
      trackKept(static_cast<size_t>(playedEvents.trackCount()), true) {
    groupTicks();
    countStayingEvents();
    if (leaveOut) leaveOutUnheard();
    if (leaveOut && layout == SlimLayout::Tracks) leaveOutEmptyTracks();
    if (layout == SlimLayout::OneTrack) {
        findBareTicks();
        findPackets();
    }
}

void SlimPlan::groupTicks() {
    tickGroup.assign(played.events.size(), -1);
    int32_t group = -1;
    for (size_t k = 0; k < order.size(); ++k) {
        const bool newTick = k == 0 || played.events[order[k]].tick != played.events[order[k - 1]].tick;
        if (newTick) ++group;
        tickGroup[order[k]] = group;
    }
    eventsAtTick.assign(static_cast<size_t>(group + 1), 0);
}

// One track holds one End of Track, at the latest of them all.
bool SlimPlan::staysInLayout(const TimedEvent& event, bool& finalEndPlaced) const {
    if (layout == SlimLayout::Tracks || !event.endOfTrack) return true;
    if (finalEndPlaced || event.tick != played.lastEndTick) return false;
    finalEndPlaced = true;
    return true;
}

void SlimPlan::countStayingEvents() {
    bool finalEndPlaced = false;
    for (size_t index : order)
        if (staysInLayout(played.events[index], finalEndPlaced)) ++stayingAtTickOf(index);
}

void SlimPlan::leaveOutUnheard() {
    // What follows a track's end is never even read.
    for (size_t i = 0; i < played.events.size(); ++i)
        if (!played.events[i].played) kept[i] = false;
    UnheardFinder finder(played);
    for (size_t index : order) finder.visit(index);
    for (const MakersMessage& message : finder.found.messages)
        if (message.silent) leaveOutMessage(message.packets);
    for (size_t index : finder.found.singles) leaveOutIfNotAlone(index);
}

bool SlimPlan::leaveOutIfNotAlone(size_t event) {
    int32_t& staying = stayingAtTickOf(event);
    if (staying <= 1) return false;
    --staying;
    kept[event] = false;
    return true;
}

// A message goes whole or stays whole: a packet kept without its start would
// be read as data of whatever came before it.
void SlimPlan::leaveOutMessage(const std::vector<size_t>& packets) {
    std::map<int32_t, int32_t> packetsAtTick;
    for (size_t packet : packets) ++packetsAtTick[tickGroup[packet]];
    for (const auto& [group, count] : packetsAtTick)
        if (eventsAtTick[static_cast<size_t>(group)] <= count) return;
    for (const auto& [group, count] : packetsAtTick) eventsAtTick[static_cast<size_t>(group)] -= count;
    for (size_t packet : packets) kept[packet] = false;
}

// A track other than the first that is left with only its End of Track goes
// too, when another event stays at that tick: then its end neither moves the
// clock nor ends the tune.
void SlimPlan::leaveOutEmptyTracks() {
    for (int32_t track = played.trackCount() - 1; track >= 1; --track) {
        size_t endOfTrack = SIZE_MAX;
        bool onlyItsEnd = true;
        for (size_t i = played.firstOf(track); i < played.endOf(track); ++i) {
            if (played.events[i].endOfTrack)
                endOfTrack = i;
            else if (kept[i])
                onlyItsEnd = false;
        }
        if (onlyItsEnd && endOfTrack != SIZE_MAX && leaveOutIfNotAlone(endOfTrack))
            trackKept[static_cast<size_t>(track)] = false;
    }
}

void SlimPlan::findBareTicks() {
    for (size_t k = 0; k < order.size(); ++k) {
        const TimedEvent& event = played.events[order[k]];
        const bool firstOfTick = k == 0 || event.tick != played.events[order[k - 1]].tick;
        if (firstOfTick && stayingAtTickOf(order[k]) == 0) bare.push_back(event.tick);
    }
}

void SlimPlan::findPackets() {
    if (played.trackCount() <= 1) return;
    for (size_t index : order) {
        const TimedEvent& event = played.events[index];
        const uint8_t* bytes = played.bytesOf(event);
        if (kept[index] && event.kind == EVENT_SYSEX && bytes[0] == StatusSysExContinuation &&
            hasSysExData(bytes, event.length))
            packetsBetweenTracks = true;
    }
}
