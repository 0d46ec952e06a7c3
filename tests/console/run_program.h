#pragma once
#include <string>

struct ProgramRun {
    std::string output;  // standard output, line ends as LF
    int status = -1;
};

// Runs the console program with the arguments (already quoted as needed) in
// the current directory and collects its standard output and exit status.
ProgramRun runProgram(const std::string& program, const std::string& arguments);
