#pragma once
#include <string>
#include <vector>

#include "child_process.h"

using ProgramRun = ChildRun;

// Runs the console program with the arguments (already quoted as needed) in
// the current directory and collects its standard output and exit status.
// A failure of the run itself is also reported to the running test.
ProgramRun runProgram(const std::string& program, const std::string& arguments);

// True while folder holds a staged file (a name with ".tmp" in it).
bool holdsStagedFile(const std::string& folder);

// Starts the program with the arguments, waits until a staged file appears
// in folder and interrupts it: on POSIX with the signal (standard output
// thrown away, the ending signals at their default actions), on Windows
// with the console event (the program in a process group of its own).
// Returns the signal that ended the program (POSIX; 0 when it exited
// instead) or its exit status (Windows); -1 when no staged file appeared or
// the interruption could not be sent.
int interruptWhileStaged(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, int interruption);
