#pragma once
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"
#include "test_support.h"

// A note of a written file as a player pairs it, read without the core's
// reader: from its note-on to the first note-off of its channel and key,
// which ends every note sounding there. off is -1 for a note never ended.
struct WrittenNote {
    int channel;
    int key;
    int64_t on;
    int64_t off;
    // By channel, key, start, end.
    auto tied() const { return std::tie(channel, key, on, off); }
    bool operator==(const WrittenNote& other) const { return tied() == other.tied(); }
};
std::ostream& operator<<(std::ostream& out, const WrittenNote& note);

// Every note of a whole file, tracks merged by tick, then track; sorted by
// channel, key and start.
std::vector<WrittenNote> notesOf(const Bytes& file);

// A rule run on a file: the file written again (running status mode 1), its
// change lines and the check's findings for the profile.
struct FittedFile {
    Bytes bytes;
    std::vector<std::string> changes;
    std::vector<std::string> findings;
};
using FitRule = void (*)(FitTune&, const HandsetProfile&, FitChanges&);
FittedFile fitted(const Bytes& file, const HandsetProfile& profile, FitRule rule);
