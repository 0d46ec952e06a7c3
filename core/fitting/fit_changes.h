#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "base/message_text.h"

// The lines of what the fit changed for one profile, in the order of its
// rules: each "-> Fit [NAME]: ...", the profile's name the pattern's first field.
class FitChanges {
public:
    explicit FitChanges(std::string profileName) : name(std::move(profileName)) {}

    void add(const char* pattern, std::initializer_list<MessageField> fields);
    // A line another collector made.
    void addLine(const std::string& line) { changeLines.push_back(line); }

    const std::string& profileName() const { return name; }
    const std::vector<std::string>& lines() const { return changeLines; }

private:
    std::string name;
    std::vector<std::string> changeLines;
};
