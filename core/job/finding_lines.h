#pragma once
#include <string>
#include <vector>

#include "job/converted_file.h"

// The lines a conversion's handset steps tell, without line ends, so that
// the console and kesto say the same words: the MIP values, what slimming
// did, what the fit changed, then how the file fits each checked profile.
std::vector<std::string> findingLines(const ConvertedFile& made);

// The names of the checked profiles the file does not fit, in their order.
std::vector<std::string> profilesNotFitted(const ConvertedFile& made);
