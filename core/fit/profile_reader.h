#pragma once
#include <istream>
#include <string>

#include "base/result.h"
#include "fit/handset_profile.h"
#include "fit/profile_finder.h"

// Reads "key = value" lines into profile, named name; '#' starts a comment,
// blank lines are skipped, and a UTF-8 byte order mark first is no part of
// the text. An unknown key or a value that does not fit its key refuses the
// whole profile, naming it by name and the 1-based line; an unknown key is
// echoed as echoedText. A key given twice keeps its last value.
Result parseHandsetProfile(std::istream& text, const std::string& name, HandsetProfile& profile);

// The profile where reads, named by its location's name: refused when it
// is no regular file or link to one, or larger than 65536 bytes.
Result readHandsetProfile(const ProfileLocation& where, HandsetProfile& profile);

// The profile the name stands for (locateHandsetProfile), read.
Result loadHandsetProfile(const std::string& name, const std::string& installedFolder,
                          HandsetProfile& profile);

// The settings as read: "key=value" in the profile's order of keys, parted
// by blanks, each value as the reader took it ("formats=0,1 voices=16").
std::string profileSettingsText(const HandsetProfile& profile);
