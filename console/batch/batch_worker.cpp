#include "batch_worker.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "base/fatal_error.h"
#include "base/result.h"
#include "command_line.h"
#include "console_profiles.h"
#include "job/converted_file.h"
#include "pass/file_pass.h"
#include "report/analysis_report.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"
#include "smf/vfile.h"
#include "tune_times.h"

namespace {
constexpr int WorkerFixedArguments = 3;  // source, output, report
constexpr double SecondsPerMinute = 60;

// Digits from text[at], into value; the count read.
size_t readDigits(const std::string& text, size_t at, double& value) {
    size_t end = at;
    value = 0;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
        value = value * 10 + (text[end] - '0');
        ++end;
    }
    return end - at;
}

// "m:ss.mmm" at text[at]: its length, 0 when none is there.
size_t timeAt(const std::string& text, size_t at, double& seconds) {
    double minutes = 0;
    double whole = 0;
    double millis = 0;
    const size_t minuteDigits = readDigits(text, at, minutes);
    if (minuteDigits == 0 || at + minuteDigits >= text.size() || text[at + minuteDigits] != ':') return 0;
    const size_t secondsAt = at + minuteDigits + 1;
    if (readDigits(text, secondsAt, whole) != 2 || secondsAt + 2 >= text.size() || text[secondsAt + 2] != '.')
        return 0;
    if (readDigits(text, secondsAt + 3, millis) != 3) return 0;
    seconds = minutes * SecondsPerMinute + whole + millis / 1000;
    return secondsAt + 6 - at;
}

// The place goes on with its bars and track in brackets when they follow.
size_t bracketsAfter(const std::string& text, size_t at) {
    if (text.compare(at, 2, " (") != 0) return 0;
    const size_t close = text.find(')', at);
    return close == std::string::npos ? 0 : close + 1 - at;
}

void createFolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;  // a folder that cannot be made fails the write
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

BatchResult describeFile(const ConvertedFile& made, const Job& job) {
    BatchResult result;
    result.converted = true;
    result.bytes = static_cast<int64_t>(made.bytes.size());
    // The converted file's header is whole: the conversion copied a checked one.
    if (made.bytes.size() >= static_cast<size_t>(SmfHeaderSize)) {
        result.format = static_cast<int32_t>(bigEndian16(made.bytes.data() + FormatOffset));
        result.tracks = static_cast<int32_t>(bigEndian16(made.bytes.data() + TrackCountOffset));
    }
    const TuneTimes times = measureTuneTimes(made.bytes, inputFile.data, static_cast<size_t>(inputFile.size));
    result.voices = times.peak.voices;
    result.notes = times.peak.notes;
    result.timeline = times.timeline;
    result.barSeconds = times.barSeconds;
    result.lengthSeconds = times.lengthSeconds;
    const std::vector<HandsetProfile> checked = job.checkedProfiles();
    for (size_t k = 0; k < made.fits.size() && k < checked.size(); ++k)
        result.profiles.push_back(profileResult(made.fits[k], checked[k]));
    return result;
}
}  // namespace

CommandLine conversionCommandLine(const std::vector<std::string>& options) {
    std::vector<const char*> argv{"quavelbatch"};
    for (const std::string& option : options) argv.push_back(option.c_str());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::vector<std::string> workerArguments(const WorkerTask& task) {
    std::vector<std::string> arguments{WorkerWord, task.source, task.output, task.report};
    arguments.insert(arguments.end(), task.options.begin(), task.options.end());
    return arguments;
}

bool placeInFinding(const std::string& line, std::string& place, double& seconds) {
    constexpr const char* Marker = " at ";
    for (size_t at = line.find(Marker); at != std::string::npos; at = line.find(Marker, at + 1)) {
        const size_t start = at + 4;
        const size_t timeLength = timeAt(line, start, seconds);
        if (timeLength == 0) continue;
        place = line.substr(start, timeLength + bracketsAfter(line, start + timeLength));
        return true;
    }
    return false;
}

BatchProfileResult profileResult(const HandsetFit& fit, const HandsetProfile& profile) {
    BatchProfileResult result;
    result.name = fit.name;
    result.fits = fit.fits();
    result.findings = static_cast<int32_t>(fit.findings.size());
    result.voiceLimit = profile.voices.value_or(0);
    result.findingLines = fit.findings;
    for (const std::string& line : fit.findings) {
        std::string place;
        double seconds = -1;
        const bool named = placeInFinding(line, place, seconds);
        result.findingSeconds.push_back(named ? seconds : -1);
        if (named && result.firstPlace.empty()) result.firstPlace = place;
    }
    return result;
}

int runWorker(int argc, const char* const* argv) {
    if (argc < WorkerFixedArguments) fatalError("The worker needs a source, an output and a report name");
    const WorkerTask task{argv[0], argv[1], argv[2],
                          std::vector<std::string>(argv + WorkerFixedArguments, argv + argc)};
    const CommandLine line = conversionCommandLine(task.options);
    Job job = line.job;
    loadJobProfiles(line, job);
    if (!inputFile.load(task.source.c_str())) fatalError("Cannot open source file");
    FilePass pass(inputFile, trackReader);
    if (!task.report.empty()) createFolderOf(task.report);
    int32_t longest = 0;
    passOnFailure(analyseFile(pass, job.options, task.source.c_str(), task.report.c_str(), longest));
    job.options.analysedLength = longest;
    job.options.roundTuneLength(pass.header.division);
    ConvertedFile made;
    passOnFailure(makeConvertedFile(pass, job, job.options.tuneLength, made));
    if (!task.output.empty()) {
        createFolderOf(task.output);
        passOnFailure(writeWholeFile(task.output.c_str(), made.bytes));
    }
    std::printf("%s\n", encodeBatchResult(describeFile(made, job)).c_str());
    return 0;
}
