#pragma once
#include <string>
#include <vector>

#include "base/result.h"
#include "job/job.h"

// What the Handset dialog sets, in the words of quavel's options: the -P
// profiles, -S with its digits, -Z, -0 and -F. Kept in quavel.ini, since a
// producer sets the handsets once.
struct HandsetSettings {
    // The profiles checked against, as -P takes them: a name or a path.
    std::vector<std::string> checked;
    int spMidi = 0;
    // The channel digits after -S, highest priority first.
    std::string priority;
    int slim = 0;
    int formatZero = 0;
    // The profile fitted to, as -F takes it; empty when none.
    std::string fit;

    bool operator==(const HandsetSettings& other) const;
    bool operator!=(const HandsetSettings& other) const { return !(*this == other); }
    bool off() const;
    // The one line under the buttons: "Handset: off", or the profiles, then
    // "SP-MIDI" and its digits, "slim", "format 0" and "fit NAME".
    std::string summary(const std::string& installedFolder) const;
    // The settings into job, the profiles read as quavel reads them; the
    // failure of the first one that cannot be read.
    Result addTo(Job& job, const std::string& installedFolder) const;

    // Into the section of its own in file, replacing what was there.
    void save(const char* file) const;
    // From file; a profile no longer found is left out and its name is put
    // in gone, and digits that are no longer valid turn SP-MIDI's off.
    static HandsetSettings restore(const char* file, const std::string& installedFolder,
                                   std::vector<std::string>& gone);
};

// The rule of -S: hexadecimal channel digits, no channel twice; none is fine.
bool validPriorityDigits(const std::string& digits);

// What every line calls the profile a name finds.
std::string shownProfileName(const std::string& given, const std::string& installedFolder);
