#pragma once
#include <string>
#include <vector>

#include "batch_result.h"
#include "command_line.h"
#include "fit/handset_fit.h"
#include "fit/handset_profile.h"

// One tune of a batch, converted in a process of its own: the core keeps
// its records (the loaded source, the reader, the header, the report) per
// process, and a failure ends the process, so each tune gets a fresh one.
struct WorkerTask {
    std::string source;
    std::string output;  // empty: converted, checked, not written
    std::string report;  // empty: no report written
    // quavel's options as given: the conversion, SP-MIDI, slimming, profiles.
    std::vector<std::string> options;
};

// The word that makes quavelbatch the worker of one tune.
constexpr const char* WorkerWord = "--worker";

std::vector<std::string> workerArguments(const WorkerTask& task);

// quavel's command line of the options alone: the job and the profiles' names.
CommandLine conversionCommandLine(const std::vector<std::string>& options);

// The worker's run (arguments after the program's name and WorkerWord):
// converts the source as quavel does and prints its record, one line.
// Failures end the process through fatalError, its message the output.
int runWorker(int argc, const char* const* argv);

// Where a finding line says the finding is, the text after " at " that
// starts with a time ("1:02.345 (bar 17 beat 3, track 13 tick 61656)"), and
// that time in seconds; false for a line that names no place.
bool placeInFinding(const std::string& line, std::string& place, double& seconds);

// How a checked file fits the profile, as the batch records it.
BatchProfileResult profileResult(const HandsetFit& fit, const HandsetProfile& profile);
