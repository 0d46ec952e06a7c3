#include "child_process.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <windows.h>

#include <mutex>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

std::string signalEndText(int signalNumber) {
#ifdef _WIN32
    return "ended by signal " + std::to_string(signalNumber);
#else
    return "ended by signal " + std::to_string(signalNumber) + " (" + strsignal(signalNumber) + ")";
#endif
}

#ifdef _WIN32
std::string nativeProgramPath(const std::string& program) {
    std::string path = program;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string quotedArgument(const std::string& argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are read as escapes, so each is doubled.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // So are those before the closing quote.
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

namespace {
// Only one child is made at a time, so that no other child inherits this
// one's pipe and holds it open.
std::mutex childCreation;

// The failed call and the system's reason for it.
std::string lastErrorText(const char* call) {
    const DWORD error = GetLastError();
    char reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                   sizeof reason, nullptr);
    std::string text = std::string(call) + " failed: error " + std::to_string(error);
    std::string why = reason;
    while (!why.empty() && std::isspace(static_cast<unsigned char>(why.back()))) why.pop_back();
    return why.empty() ? text : text + " (" + why + ")";
}

// The program started straight, not through the command interpreter: Wine's
// interpreter now and then fails to find a program that two threads start at
// once ("Can't recognize ...", status 9009).
HANDLE startWithPipe(const std::string& program, const std::string& arguments, HANDLE& output,
                     std::string& failure) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) {
        failure = lastErrorText("CreatePipe");
        return nullptr;
    }
    std::string command = "\"" + nativeProgramPath(program) + "\" " + arguments;
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    {
        std::lock_guard<std::mutex> one(childCreation);
        SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &process);
        if (!started) failure = lastErrorText("CreateProcess");
        CloseHandle(writeEnd);
    }
    if (!started) {
        CloseHandle(readEnd);
        return nullptr;
    }
    CloseHandle(process.hThread);
    output = readEnd;
    return process.hProcess;
}

// The programs end with a status below 256; anything else is an exception
// code or the like, which no program here ends with on purpose.
std::string unusualEnd(DWORD code) {
    if (code < 256) return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "ended with code 0x%08lX", static_cast<unsigned long>(code));
    return text;
}

// The exit code once the process has ended, or -1 with failure saying why
// there is none.
int waitForExit(HANDLE process, std::string& failure) {
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) {
        failure = lastErrorText("WaitForSingleObject");
        return -1;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) {
        failure = lastErrorText("GetExitCodeProcess");
        return -1;
    }
    failure = unusualEnd(code);
    return static_cast<int>(code);
}
}  // namespace

ChildRun runChildCommandLine(const std::string& program, const std::string& commandLineArguments) {
    ChildRun run;
    HANDLE output = nullptr;
    HANDLE process = startWithPipe(program, commandLineArguments, output, run.failure);
    if (process == nullptr) return run;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD k = 0; k < got; ++k)
            if (buffer[k] != '\r') run.output += buffer[k];
    }
    CloseHandle(output);
    run.status = waitForExit(process, run.failure);
    CloseHandle(process);
    return run;
}

ChildRun runChild(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + quotedArgument(argument);
    return runChildCommandLine(program, line);
}
#else
namespace {
std::string errnoText(const char* call, int error) {
    return std::string(call) + " failed: " + std::strerror(error);
}

// The child's standard output is the pipe's write end; both ends close on
// exec, so no other child inherits them.
pid_t spawnWithPipe(const std::string& program, const std::vector<std::string>& arguments, int& readEnd,
                    std::string& failure) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        failure = errnoText("pipe", errno);
        return -1;
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    pid_t child = -1;
    const int error = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (error != 0) {
        close(ends[0]);
        failure = errnoText("posix_spawn", error);
        return -1;
    }
    readEnd = ends[0];
    return child;
}

void readAll(int readEnd, std::string& output) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(readEnd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        for (ssize_t k = 0; k < got; ++k)
            if (buffer[k] != '\r') output += buffer[k];
    }
}

void waitForEnd(pid_t child, ChildRun& run) {
    int raw = 0;
    pid_t ended = -1;
    while ((ended = waitpid(child, &raw, 0)) < 0 && errno == EINTR) {
    }
    if (ended != child)
        run.failure = errnoText("waitpid", errno);
    else if (WIFSIGNALED(raw))
        run.failure = signalEndText(WTERMSIG(raw));
    else
        run.status = WEXITSTATUS(raw);
}
}  // namespace

ChildRun runChild(const std::string& program, const std::vector<std::string>& arguments) {
    ChildRun run;
    int readEnd = -1;
    const pid_t child = spawnWithPipe(program, arguments, readEnd, run.failure);
    if (child < 0) return run;
    readAll(readEnd, run.output);
    close(readEnd);
    waitForEnd(child, run);
    return run;
}
#endif
