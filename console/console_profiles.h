#pragma once
#include <string>
#include <vector>

#include "command_line.h"
#include "fit/handset_profile.h"
#include "job/job.h"

// Every profile the names find (here, then among the installed ones), read
// before any file is touched: one that cannot be read ends the run.
std::vector<HandsetProfile> loadProfiles(const std::vector<std::string>& names);

// The -P profiles and the -F profile of the command line, into the job.
void loadJobProfiles(const CommandLine& line, Job& job);
