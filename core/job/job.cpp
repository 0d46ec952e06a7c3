#include "job/job.h"

std::vector<HandsetProfile> Job::checkedProfiles() const {
    std::vector<HandsetProfile> checked;
    if (fit) checked.push_back(*fit);
    for (const HandsetProfile& profile : profiles)
        if (!fit || profile.name != fit->name) checked.push_back(profile);
    return checked;
}
