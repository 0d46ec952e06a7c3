#include "command_line.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "base/help_words.h"
#include "convert/convert_options.h"
#include "convert/hex_digits.h"
#include "convert/sp_midi.h"
#include "report/decimal_text.h"
#include "smf/target_file.h"

namespace {
constexpr const char* DefaultSourceName = "test.mid";
constexpr const char* DefaultOutputName = "out.mid";
constexpr int MaxProgramValue = 0x80;        // program 127 stored plus one
constexpr size_t MaxReportNameLength = 255;  // what a path buffer holds before its NUL

void takePositional(CommandLine& line, const char* argument) {
    const bool placeholder = std::strcmp(argument, "-") == 0;
    if (line.positionalCount == 0) line.sourceName = placeholder ? DefaultSourceName : argument;
    if (line.positionalCount == 1) line.outputName = placeholder ? DefaultOutputName : argument;
    ++line.positionalCount;
}

// -Ic:hh and -Vc:hh: exactly six characters with ':' in the fourth place.
bool channelValueForm(const char* argument, int& channel, int& value) {
    if (std::strlen(argument) != 6 || argument[3] != ':') return false;
    channel = hexDigitValue(argument[2]);
    value = hexByteValue(argument[4], argument[5]);
    return true;
}

// -S alone keeps the default priority order; channel digits after it go first.
void takeSpMidi(SpMidiSettings& spMidi, const char* digits) {
    std::vector<int> given;
    if (!parseSpMidiPriority(digits, given)) return;
    spMidi.enabled = 1;
    spMidi.priority = given;
}

void takeOption(Job& job, const char* argument) {
    ConvertOptionsRecord& options = job.options;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[1])));
    int channel = 0;
    int value = 0;
    switch (letter) {
        case 'D':
            options.detectLevel = argument[2] == 0 ? 1 : hexDigitValue(argument[2]);
            break;
        case 'T':
            options.tuneLength = parseTicks(argument + 2);
            if (options.tuneLength == 0) options.tuneLength = DefaultTuneLength;
            break;
        case 'I':
            // A value above 80 would write a program byte that is not a data byte.
            if (channelValueForm(argument, channel, value) && value <= MaxProgramValue)
                options.instrumentOverride[channel] = value;
            break;
        case 'V':
            if (channelValueForm(argument, channel, value)) options.velocityOffset[channel] = value;
            break;
        case 'S':
            takeSpMidi(job.spMidi, argument + 2);
            break;
        case 'Z':
            if (argument[2] == 0) job.slim.slim = 1;
            break;
        case '0':
            if (argument[2] == 0) job.slim.formatZero = 1;
            break;
        default:
            break;
    }
}
}  // namespace

bool isProfilesWord(const char* argument) {
    return std::strcmp(argument, "--profiles") == 0;
}

namespace {
// The text after "-X" or "-x", or nullptr when argument is no such option.
const char* textAfterOption(const char* argument, char letter) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (argument[0] != '-' || (argument[1] != letter && argument[1] != lower)) return nullptr;
    return argument + 2;
}
}  // namespace

const char* reportOptionName(const char* argument) {
    return textAfterOption(argument, 'L');
}

const char* profileOptionName(const char* argument) {
    return textAfterOption(argument, 'P');
}

const char* fitOptionName(const char* argument) {
    return textAfterOption(argument, 'F');
}

std::string chooseReportName(const std::vector<std::string>& candidates, const std::string& sourceName,
                             const std::string& outputName) {
    for (auto name = candidates.rbegin(); name != candidates.rend(); ++name) {
        const bool fits = !name->empty() && name->size() <= MaxReportNameLength;
        if (fits && !namesSameFile(*name, sourceName) && !namesSameFile(*name, outputName)) return *name;
    }
    return DefaultReportName;
}

std::string reportFileName(const std::string& reportName, const std::string& sourceName) {
    return namesSameFile(reportName, sourceName) ? std::string() : reportName;
}

int32_t parseTicks(const char* text) {
    return readDecimal(text, INT32_MIN, INT32_MAX);
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    if (argc <= 1) {
        line.sourceName = DefaultSourceName;
        return line;
    }
    // The source and output names may follow -L, so the report name is chosen
    // once every argument has been seen.
    std::vector<std::string> reportNames;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (isHelpWord(argument))
            line.helpWanted = true;
        else if (isProfilesWord(argument))
            line.profilesWanted = true;
        else if (argument[0] != '-' || argument[1] == 0)
            takePositional(line, argument);
        else if (const char* reportName = reportOptionName(argument))
            reportNames.emplace_back(reportName);
        else if (const char* profileName = profileOptionName(argument))
            line.profileNames.emplace_back(profileName);
        else if (const char* fitName = fitOptionName(argument))
            line.fitProfileName = fitName;
        else
            takeOption(line.job, argument);
    }
    line.reportName = chooseReportName(reportNames, line.sourceName, line.outputName);
    return line;
}
