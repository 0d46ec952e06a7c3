#pragma once
#include <string>
#include <vector>

struct ProgramRun {
    std::string output;  // standard output, line ends as LF
    int status = -1;
    // Empty when status is the program's own; otherwise why it is not: the
    // program could not be started or waited for (with the system's reason),
    // or it ended in a way no program here ends (a signal, an exception code).
    std::string failure;
};

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
