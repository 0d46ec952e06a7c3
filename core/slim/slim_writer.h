#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "playing/playing_walk.h"
#include "slim/held_controllers.h"
#include "slim/slim_survey.h"
#include "slim/track_encoder.h"

// How the slimmed file holds the tune: the tracks as they are, less what a
// handset never hears, or merged into the one track of format 0.
enum class SlimLayout { Tracks, OneTrack };

// Rewrites the played events of a converted file in one layout, fed them in
// playing order. A handset's sequencer advances its clock once for each
// distinct tick of the whole file, with rounding, so an event is left out
// only when another one stays at its tick; otherwise every later event would
// sound a little earlier or later.
//
// Each tick is decided and encoded once the walk has passed it, so memory
// holds the chunks being written and one tick's events, or, while a maker's
// SysEx message that may be left out is open, the ticks since it began (it
// goes whole or stays whole).
class SlimWriter {
public:
    // leaveOut: leave out what a handset never hears (-Z), the events after
    // a track's end among them; the Tracks layout always does.
    SlimWriter(const SlimSurvey& survey, SlimLayout layout, bool leaveOut);

    // Every event of every track, in playing order.
    void onEvent(int32_t track, int64_t tick, const TrackEvent& event);
    // After the last event: false when an event could not be encoded (a
    // delta time of more than four bytes).
    bool finish();
    // OneTrack: a kept SysEx packet (F7) would be read after another track's
    // message, so the merged track would not play as the tracks do. Known
    // after finish.
    bool packetsNeedTracks() const { return packetsBetweenTracks; }
    // The file's size, known after finish: layouts are weighed before either
    // is put together, so that only one file is ever held whole.
    size_t fileSize() const;
    // The whole file, once, after a finish that succeeded.
    void writeFile(std::vector<uint8_t>& file);

private:
    static constexpr int32_t NoMessage = -1;
    struct Entry {
        int64_t tick;
        int32_t track;
        int32_t kind;
        size_t offset;  // of its bytes in pendingBytes
        int32_t length;
        size_t tickIndex;  // in ticks
        bool single;       // left out, unless it is alone at its tick
        bool endOfTrack;   // the one a handset stops reading the track at
        bool kept;
    };
    struct Tick {
        int64_t tick;
        size_t first;  // its entries
        size_t end;
        int32_t staying;  // the entries that stay there
    };
    // A maker's SysEx message: its F0 event and the F7 packets that continue it.
    struct Message {
        std::vector<size_t> entries;
        // No byte of it is a status byte, which the synthesizer would act on.
        bool silent;
        bool open;
    };
    struct TrackState {
        bool ended = false;
        bool keptSomething = false;  // an event other than its End of Track stays
        bool dropped = false;
        int32_t openMessage = NoMessage;
        // A universal message that F7 packets may still continue.
        bool openUniversal = false;
    };

    const SlimSurvey& survey;
    SlimLayout layout;
    bool leaveOut;
    std::vector<TrackState> tracks;
    std::vector<std::unique_ptr<TrackEncoder>> encoders;  // one per track, or the one track
    HeldControllers held;
    bool finalEndPlaced = false;
    bool encoded = true;
    bool packetsBetweenTracks = false;
    // What waits to be decided: whole ticks, the one being read last.
    std::vector<Entry> pending;
    std::vector<uint8_t> pendingBytes;
    std::vector<Tick> ticks;
    std::vector<Message> messages;
    size_t undecided = 0;   // the first message not yet decided
    bool tickOpen = false;  // the last of ticks is still being read

    bool staysInLayout(const Entry& entry);
    void closeTick();
    void visit(size_t index, const uint8_t* bytes);
    void visitChannelMessage(Entry& entry, const uint8_t* bytes);
    void closeMessage(TrackState& track);
    void visitMessage(size_t index, const uint8_t* bytes);
    void visitPacket(size_t index, const uint8_t* bytes);
    void decideMessages();
    void leaveOutMessage(const Message& message);
    bool leaveOutIfNotAlone(Entry& entry);
    void writeDecidedTicks();
    void writeTick(Tick& tick);
    void leaveOutEmptyTracks(Tick& tick);
    void encode(int32_t track, int64_t tick, const uint8_t* bytes, int32_t length);
    std::vector<uint8_t> header(int32_t format, int32_t trackCount) const;
    bool writes(size_t track) const;
};
