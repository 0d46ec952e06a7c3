#pragma once
#include <istream>
#include <string>
#include <vector>

#include "fit/handset_profile.h"
#include "fit/profile_finder.h"

// What reading a profile gives: the profile, or the message that refuses it.
struct ProfileReading {
    HandsetProfile profile;
    std::string refusal;  // empty when the profile was read
    // The keys the profile gives, in the order it first gives them.
    std::vector<std::string> keys;

    bool ok() const { return refusal.empty(); }
};

// Reads "key = value" lines; '#' starts a comment, blank lines are skipped,
// and a UTF-8 byte order mark first is no part of the text. An unknown key
// or a value that does not fit its key refuses the whole profile, naming it
// by name and the 1-based line; an unknown key is echoed as echoedText. A
// key given twice keeps its last value.
ProfileReading parseHandsetProfile(std::istream& text, const std::string& name);

// The profile where reads, named by its location's name: refused when it
// is no regular file or link to one, or larger than 65536 bytes.
ProfileReading readHandsetProfile(const ProfileLocation& where);

// The profile the name stands for (locateHandsetProfile), read.
ProfileReading loadHandsetProfile(const std::string& name, const std::string& installedFolder);

// The settings as read: "key=value" in the profile's order of keys, parted
// by blanks, each value as the reader took it ("formats=0,1 voices=16").
std::string profileSettingsText(const ProfileReading& reading);
