#include "console_profiles.h"

#include <utility>

#include "base/result.h"
#include "fit/profile_reader.h"
#include "program_folder.h"

std::vector<HandsetProfile> loadProfiles(const std::vector<std::string>& names) {
    std::vector<HandsetProfile> profiles;
    if (names.empty()) return profiles;
    const std::string installed = installedProfileFolder();
    for (const std::string& name : names) {
        HandsetProfile profile;
        passOnFailure(loadHandsetProfile(name, installed, profile));
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

void loadJobProfiles(const CommandLine& line, Job& job) {
    job.profiles = loadProfiles(line.profileNames);
    if (line.fitProfileName) job.fit = std::move(loadProfiles({*line.fitProfileName}).front());
}
