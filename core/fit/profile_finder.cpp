#include "fit/profile_finder.h"

#include <dirent.h>

#include <algorithm>

#include "smf/target_file.h"
#include "smf/vfile.h"

namespace {
constexpr const char* Extension = ".profile";
constexpr const char* HereFolder = ".";

bool isPath(const std::string& name) {
    return name.find_first_of("/\\") != std::string::npos;
}

bool endsWithExtension(const std::string& name) {
    const std::string extension = Extension;
    return name.size() >= extension.size() &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// The name without its ".profile", as the profile's file is named.
std::string bareName(const std::string& given) {
    return endsWithExtension(given) ? given.substr(0, given.size() - std::string(Extension).size()) : given;
}

std::string fileIn(const std::string& folder, const std::string& bare) {
    return folder + "/" + bare + Extension;
}

ProfileLocation locationOf(ProfilePlace place, const std::string& given, const std::string& path) {
    return ProfileLocation{place, profileShownName(place, given), path};
}

bool isThere(const std::string& path) {
    return kindOfFile(path) != FileKind::Absent;
}

// The names of folder's profiles that a name finds, in byte order.
std::vector<std::string> profileNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* entries = opendir(folder.c_str());
    if (entries == nullptr) return names;
    while (const dirent* entry = readdir(entries)) {
        const std::string file = entry->d_name;
        const std::string bare = bareName(file);
        // "x.profile.profile" is found by no name: "x.profile" is "x".
        const bool findable = endsWithExtension(file) && !bare.empty() && !isPath(bare) &&
                              !endsWithExtension(bare) && bare.size() <= VFILE::MaxPathLength;
        if (findable && isThere(fileIn(folder, bare))) names.push_back(bare);
    }
    closedir(entries);
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

std::string profileShownName(ProfilePlace place, const std::string& given) {
    switch (place) {
        case ProfilePlace::Here:
            return std::string(HereFolder) + "/" + bareName(given);
        case ProfilePlace::Installed:
            return bareName(given);
        case ProfilePlace::Path:
        case ProfilePlace::Nowhere:
            break;
    }
    return given;
}

ProfileLocation locateHandsetProfile(const std::string& given, const std::string& installedFolder) {
    if (given.empty() || given.size() > VFILE::MaxPathLength)
        return locationOf(ProfilePlace::Nowhere, given, {});
    if (isPath(given)) return locationOf(ProfilePlace::Path, given, given);
    const std::string bare = bareName(given);
    const std::string here = fileIn(HereFolder, bare);
    if (isThere(here)) return locationOf(ProfilePlace::Here, given, here);
    const std::string installed = fileIn(installedFolder, bare);
    if (!installedFolder.empty() && isThere(installed))
        return locationOf(ProfilePlace::Installed, given, installed);
    return locationOf(ProfilePlace::Nowhere, given, {});
}

std::vector<ListedProfile> listHandsetProfiles(const std::string& installedFolder) {
    std::vector<ListedProfile> listed;
    for (const std::string& name : profileNamesIn(HereFolder))
        listed.push_back({name, locateHandsetProfile(name, installedFolder), {}});
    if (installedFolder.empty()) return listed;
    for (const std::string& name : profileNamesIn(installedFolder)) {
        const ProfileLocation found = locateHandsetProfile(name, installedFolder);
        const ProfileLocation installed =
            locationOf(ProfilePlace::Installed, name, fileIn(installedFolder, name));
        listed.push_back({name, installed, found.place == ProfilePlace::Here ? found.path : std::string()});
    }
    return listed;
}
