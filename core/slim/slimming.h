#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "slim/slim_settings.h"

// Why a slimmed file is otherwise than its settings asked.
enum class SlimNote {
    None,
    // -0 on format 2: its tracks are kept apart.
    FormatTwoKept,
    // A track lacks its End of Track, so a handset reads on past it: the file
    // is left as it is, since no rewrite could keep what it plays.
    TrackWithoutEnd,
    // The header is not of its own length, there is no track, fewer than it
    // announces or more than a handset plays, a handset would read an event
    // otherwise (a status byte as a channel message's data, running status it
    // does not hold, a packet's data under a channel status, a quantity of
    // more than four bytes), a note starts before the setup bar, or a delta
    // time would need more than four bytes: the file is left as it is.
    NotRewritable,
    // A track holds a system message (F2, F4 to F6, F8 to FE) that a handset
    // reads at another length than the reader: past it the two read the
    // track apart, so the file is left as it is.
    SystemMessage,
    // -0 with SysEx packets (F7) in the tracks: merged, a packet would be read
    // after another track's message, so the tracks are kept.
    PacketsKeepTracks,
};

struct SlimOutcome {
    bool done = false;  // the step ran: -Z or -0 was given
    SlimSettings asked;
    size_t bytesBefore = 0;
    size_t bytesAfter = 0;
    int32_t format = 0;  // of the file as it now is
    SlimNote note = SlimNote::None;
    // The bytes are those it was given: nothing was left out, merged or
    // encoded otherwise.
    bool unchanged = true;

    // The file could not be rewritten at all, whatever was asked.
    bool leftAsGiven() const { return note == SlimNote::TrackWithoutEnd || note == SlimNote::NotRewritable; }
};

// Slims a converted Standard MIDI File in place, as settings ask, without
// changing a sample of what a handset plays: -Z leaves out what is never
// heard and writes note-offs as note-ons of velocity 0 under running status,
// -0 merges the tracks into format 0, and both keep the smaller of the two
// (format 0 on a tie). Without memory for the work, the failure leaves bytes
// as they were.
Result slimFile(const SlimSettings& settings, std::vector<uint8_t>& bytes, SlimOutcome& outcome);

// Why a converted file cannot be rewritten at all (a track without its End
// of Track, a system message of another length, a file a handset reads
// otherwise), or None when a rewrite can keep what it plays.
SlimNote rewriteObstacle(const uint8_t* file, size_t size);

// Whether -0 alone would merge the tracks of a converted Standard MIDI File
// into the one track of format 0: the slimming's own answer, the bytes left
// as they are.
bool formatZeroMerges(const std::vector<uint8_t>& bytes);
