#pragma once
#include <istream>
#include <string>

#include "fit/handset_profile.h"

// What reading a profile gives: the profile, or the message that refuses it.
struct ProfileReading {
    HandsetProfile profile;
    std::string refusal;  // empty when the profile was read

    bool ok() const { return refusal.empty(); }
};

// Reads "key = value" lines; '#' starts a comment, blank lines are skipped.
// An unknown key or a value that does not fit its key refuses the whole
// profile, naming it by name (the -P argument) and the 1-based line. A key
// given twice keeps its last value.
ProfileReading parseHandsetProfile(std::istream& text, const std::string& name);

// The profile name stands for: a name holding '/' or '\' is a path, used as
// given; any other is NAME.profile, looked for in the current folder, then in
// installedFolder (empty: none). Refused when nothing can be opened or the
// name is longer than a path.
ProfileReading loadHandsetProfile(const std::string& name, const std::string& installedFolder);
