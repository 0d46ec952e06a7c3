#include "run_program.h"

#include <cstdio>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {
#ifdef _WIN32
// Under Wine the program path is a Unix one: name it through drive Z.
std::string nativeCommand(const std::string& program, const std::string& arguments) {
    std::string path = program;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "\"\"" + path + "\" " + arguments + "\"";
}
FILE* openPipe(const std::string& command) { return _popen(command.c_str(), "rb"); }
int closePipe(FILE* pipe) { return _pclose(pipe); }
#else
std::string nativeCommand(const std::string& program, const std::string& arguments) {
    return "'" + program + "' " + arguments;
}
FILE* openPipe(const std::string& command) { return popen(command.c_str(), "r"); }
int closePipe(FILE* pipe) {
    const int raw = pclose(pipe);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif
}  // namespace

ProgramRun runProgram(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = openPipe(nativeCommand(program, arguments));
    if (pipe == nullptr) return run;
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        if (c != '\r') run.output += static_cast<char>(c);
    run.status = closePipe(pipe);
    return run;
}
