#pragma once
#include <string>
#include <vector>

// Another program run to its end, its standard output collected. Standard
// input and error are this process's own.
struct ChildRun {
    std::string output;  // standard output, line ends as LF
    int status = -1;
    // Empty when status is the program's own; otherwise why it is not: the
    // program could not be started or waited for (with the system's reason),
    // or it ended in a way no program here ends (a signal, an exception code).
    std::string failure;
};

// Runs program with the arguments, each handed over exactly as it is (no
// command interpreter sees them). Safe to call from several threads at once:
// no child inherits another child's pipe.
ChildRun runChild(const std::string& program, const std::vector<std::string>& arguments);

// How a child ended by a signal is told: "ended by signal 11 (Segmentation fault)".
std::string signalEndText(int signalNumber);

#ifdef _WIN32
// Runs program with a command line already quoted as Windows programs read it.
ChildRun runChildCommandLine(const std::string& program, const std::string& commandLineArguments);

// A program path as CreateProcess takes it: under Wine a Unix path is named
// through drive Z.
std::string nativeProgramPath(const std::string& program);

// One argument quoted so that the child's C runtime reads it back unchanged.
std::string quotedArgument(const std::string& argument);
#endif
