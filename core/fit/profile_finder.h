#pragma once
#include <string>
#include <vector>

// Where a profile name leads.
enum class ProfilePlace {
    Path,       // the name holds '/' or '\': the path as given
    Here,       // NAME.profile in the current folder
    Installed,  // NAME.profile among the profiles installed with the programs
    Nowhere,    // no such profile
};

struct ProfileLocation {
    ProfilePlace place = ProfilePlace::Nowhere;
    // What every line calls the profile: profileShownName.
    std::string name;
    // The file to read; empty when nowhere.
    std::string path;
};

// The one name a profile goes by in every line and window: a path as
// given, "./NAME" for one found in the current folder, NAME for an installed
// one; given is the -P argument, and "NAME.profile" is the same as NAME.
std::string profileShownName(ProfilePlace place, const std::string& given);

// The profile the name stands for: a name holding '/' or '\' is a path; any
// other is NAME.profile ("NAME.profile" names the same), looked for in the
// current folder, then in installedFolder (empty: none). Whatever is there
// under that name in the current folder is the one found, even when it is no
// profile. Nowhere when the name is empty or longer than a path. Never blocks.
ProfileLocation locateHandsetProfile(const std::string& given, const std::string& installedFolder);

// A profile -P would find by its name.
struct ListedProfile {
    std::string name;  // as -P takes it
    ProfileLocation location;
    // The path of the profile of the same name that is found first; empty
    // when this one is the one found.
    std::string hiddenBy;
};

// Every profile a name finds, in the order they are looked for: the current
// folder's, then the installed ones, each folder in the order of its names.
std::vector<ListedProfile> listHandsetProfiles(const std::string& installedFolder);
