#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "playing/played_events.h"

// How the slimmed file holds the tune: the tracks as they are, or merged
// into the one track of format 0.
enum class SlimLayout { Tracks, OneTrack };

// Which of the played events a slimmed file keeps. A handset's sequencer
// advances its clock once for each distinct tick of the whole file, with
// rounding, so an event is left out only when another one stays at its tick;
// otherwise every later event would sound a little earlier or later.
class SlimPlan {
public:
    // leaveOut: leave out what a handset never hears (-Z), the events after
    // a track's end among them; without it every event stays.
    SlimPlan(const PlayedEvents& played, SlimLayout layout, bool leaveOut);

    // The file's time line: the played events in playing order (indices into events).
    const std::vector<size_t>& playingOrder() const { return order; }
    bool keeps(size_t event) const { return kept[event]; }
    bool keepsTrack(int32_t track) const { return trackKept[static_cast<size_t>(track)]; }
    // OneTrack: the ticks at which only an End of Track of a track stood, in
    // order; the merged track needs an event there to keep the clock's steps.
    const std::vector<int64_t>& bareTicks() const { return bare; }
    // OneTrack: a kept SysEx packet (F7) would be read after another track's
    // message, so the merged track would not play as the tracks do.
    bool packetsNeedTracks() const { return packetsBetweenTracks; }

private:
    const PlayedEvents& played;
    SlimLayout layout;
    std::vector<size_t> order;
    std::vector<int32_t> tickGroup;     // per event: its tick's place in the playing order
    std::vector<int32_t> eventsAtTick;  // per tick group: the events that stay there
    std::vector<bool> kept;
    std::vector<bool> trackKept;
    std::vector<int64_t> bare;
    bool packetsBetweenTracks = false;

    // The events that stay at the tick of event.
    int32_t& stayingAtTickOf(size_t event) { return eventsAtTick[static_cast<size_t>(tickGroup[event])]; }
    void groupTicks();
    bool staysInLayout(const TimedEvent& event, bool& finalEndPlaced) const;
    void countStayingEvents();
    void leaveOutUnheard();
    bool leaveOutIfNotAlone(size_t event);
    void leaveOutMessage(const std::vector<size_t>& packets);
    void leaveOutEmptyTracks();
    void findBareTicks();
    void findPackets();
};
