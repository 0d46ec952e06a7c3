#pragma once
#include <string>
#include <vector>

struct ProgramRun {
    std::string output;  // standard output, line ends as LF
    int status = -1;
};

// Runs the console program with the arguments (already quoted as needed) in
// the current directory and collects its standard output and exit status.
ProgramRun runProgram(const std::string& program, const std::string& arguments);

// True while folder holds a staged file (a name with ".tmp" in it).
bool holdsStagedFile(const std::string& folder);

#ifndef _WIN32
// Starts the program with the arguments, its standard output thrown away and
// the ending signals at their default actions, waits until a staged file
// appears in folder and sends signalNumber. Returns the signal that ended
// the program, 0 when it exited first, -1 when no staged file appeared.
int interruptWhileStaged(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, int signalNumber);
#endif
