#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "convert/sp_midi.h"
#include "fit/handset_fit.h"
#include "job/job.h"
#include "playing/mip_message.h"
#include "slim/slimming.h"

struct FilePass;

// What one conversion made, in memory, before anything reaches the disk.
struct ConvertedFile {
    std::vector<uint8_t> bytes;
    // The entries of the MIP message put at the first track's start, when
    // SP-MIDI output is on (empty otherwise, or when no channel has notes).
    std::vector<SpMidiEntry> mips;
    // The sizes and format after -Z or -0 (done is false without them).
    SlimOutcome slim;
    // How the bytes fit each of the job's checked profiles, in their order.
    std::vector<HandsetFit> fits;
    // What the fit (-F) changed, a line each, then its closing line.
    std::vector<std::string> fitLines;
};

// The one way the programs make a handset file: convert the pass's file
// into memory as the job's options say, then change the events until they
// fit the job's fit profile, if it names one; then, when SP-MIDI output is
// enabled (by the job or by the fit), measure the MIP values on those bytes
// and put the message first in the first track (the tune is converted
// once), then slim them as the job and the fit ask; last, check those bytes
// against each of its profiles. Failures are the conversion's.
Result makeConvertedFile(FilePass& pass, const Job& job, int32_t tuneLength, ConvertedFile& made);

// Commits bytes to path through a staged output: the file is replaced whole
// or left as it was ("Cannot open dest file").
Result writeWholeFile(const char* path, const std::vector<uint8_t>& bytes);

// Puts event, with delta time 0, first in the first track chunk of the
// Standard MIDI File in bytes, whose length grows to hold it. False, with
// bytes unchanged, when the file has no whole track chunk.
bool insertLeadingEvent(std::vector<uint8_t>& bytes, const std::vector<uint8_t>& event);
