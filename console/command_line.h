#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/help_words.h"
#include "job/job.h"

// The report's name when no -L names one.
constexpr const char* DefaultReportName = "quavel.log";

// What the console's arguments say. Names are kept whole here: a name longer
// than a path buffer holds is refused when it is used, never cut.
struct CommandLine {
    std::string sourceName;
    std::string outputName;
    std::string reportName = DefaultReportName;
    // The conversion, SP-MIDI and slimming settings the options ask for; the
    // profiles are read from profileNames once the run has begun.
    Job job;
    // The -P arguments as given, in order: each names a handset profile.
    std::vector<std::string> profileNames;
    // The last -F argument: the profile the converted file is made to fit.
    std::optional<std::string> fitProfileName;
    int positionalCount = 0;
    bool helpWanted = false;
    bool profilesWanted = false;  // --profiles: list the profiles and end
};

// Examines the arguments from first to last: positional names and "-"
// placeholders, the options -D, -T, -I and -V of the conversion, -S of
// SP-MIDI, -Z and -0 of the slimming, which all go into the job, -L naming
// the report, -P naming handset profiles, -F the profile to fit, the help words and --profiles. An
// option that does not fit its form is ignored.
CommandLine parseCommandLine(int argc, const char* const* argv);

// --profiles asks for the list of profiles wherever it stands.
bool isProfilesWord(const char* argument);

// -Lname and -lname: the name after the letter, or nullptr for any other argument.
const char* reportOptionName(const char* argument);

// -Pprofile and -pprofile: the profile after the letter, or nullptr for any other argument.
const char* profileOptionName(const char* argument);

// -Fprofile and -fprofile: the profile to fit, or nullptr for any other argument.
const char* fitOptionName(const char* argument);

// The last of the names given by -L that fits: not empty, at most 255
// characters, and not naming the source or the output file under any
// spelling, so that no report can overwrite a tune. Without one,
// DefaultReportName.
std::string chooseReportName(const std::vector<std::string>& candidates, const std::string& sourceName,
                             const std::string& outputName);

// The decimal number at the start of text by the 32-bit atol rule: leading
// white space, an optional sign, digits up to the first other character; a
// value beyond the 32-bit range saturates.
// The file the report is written to: none (empty) when the report's name
// reaches the source file itself, as the default name can.
std::string reportFileName(const std::string& reportName, const std::string& sourceName);

int32_t parseTicks(const char* text);
