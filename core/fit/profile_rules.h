#pragma once
#include <string>
#include <vector>

#include "fit/fit_facts.h"
#include "fit/handset_fit.h"
#include "fit/handset_profile.h"

// One rule of a handset profile, in one place: its key, how its value is
// read and shown, and how a converted file is measured against it, with the
// finding lines it gives. A new rule is a row of the table and its four
// functions, and the HandsetProfile field that holds its value.
struct ProfileRule {
    const char* key;
    // What the usage text says of the value after the key; nullptr for nothing.
    std::string (*hint)();
    // False when the value does not fit the key.
    bool (*take)(const std::string& value, HandsetProfile& profile);
    // The value as read, as the list of profiles shows it.
    std::string (*show)(const HandsetProfile& profile);
    // Runs for every profile, whether or not it gives the key (a default may apply).
    void (*check)(const FitFacts& facts, const HandsetProfile& profile, FindingLines& lines);
};

// Every rule, in the order the check lists its findings.
const std::vector<ProfileRule>& profileRules();

// The rule of a key, or nullptr for a key no rule has.
const ProfileRule* profileRule(const std::string& key);

// The keys in the rules' order, each with its hint in brackets:
// "voices, max-bytes, formats (0 1), ...".
std::string profileKeysText();
