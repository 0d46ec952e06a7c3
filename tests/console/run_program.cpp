#include "run_program.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
#ifdef _WIN32
// Under Wine the program path is a Unix one: name it through drive Z.
std::string nativePath(const std::string& program) {
    std::string path = program;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

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
    std::string command = "\"" + nativePath(program) + "\" " + arguments;
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

ProgramRun runStarted(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    HANDLE output = nullptr;
    HANDLE process = startWithPipe(program, arguments, output, run.failure);
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
#else
std::string errnoText(const char* call) {
    return std::string(call) + " failed: " + std::strerror(errno);
}

ProgramRun runStarted(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = popen(("'" + program + "' " + arguments).c_str(), "r");
    if (pipe == nullptr) {
        run.failure = errnoText("popen");
        return run;
    }
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        if (c != '\r') run.output += static_cast<char>(c);
    const int raw = pclose(pipe);
    if (raw == -1)
        run.failure = errnoText("pclose");
    else if (WIFSIGNALED(raw))
        run.failure =
            "ended by signal " + std::to_string(WTERMSIG(raw)) + " (" + strsignal(WTERMSIG(raw)) + ")";
    else
        run.status = WEXITSTATUS(raw);
    return run;
}
#endif
}  // namespace

ProgramRun runProgram(const std::string& program, const std::string& arguments) {
    ProgramRun run = runStarted(program, arguments);
    if (!run.failure.empty())
        ADD_FAILURE() << "running " << program << " " << arguments << ": " << run.failure;
    return run;
}

bool holdsStagedFile(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().filename().string().find(".tmp") != std::string::npos) return true;
    }
    return false;
}

namespace {
constexpr auto LongestWaitForStaging = std::chrono::seconds(30);

// Polls folder until a staged file appears or the program has ended.
template <typename HasEnded>
bool waitForStagedFile(const std::string& folder, HasEnded hasEnded) {
    const auto deadline = std::chrono::steady_clock::now() + LongestWaitForStaging;
    while (std::chrono::steady_clock::now() < deadline) {
        if (holdsStagedFile(folder)) return true;
        if (hasEnded()) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}
}  // namespace

#ifdef _WIN32
int interruptWhileStaged(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, int interruption) {
    std::string command = "\"" + nativePath(program) + "\"";
    for (const std::string& argument : arguments) command += " \"" + argument + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // A group of its own: the event reaches the program, not this test.
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                        nullptr, &startup, &process))
        return -1;
    const bool staged =
        waitForStagedFile(folder, [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    const bool sent =
        staged && GenerateConsoleCtrlEvent(static_cast<DWORD>(interruption), process.dwProcessId);
    if (!sent) TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return sent ? static_cast<int>(status) : -1;
}
#else
namespace {
[[noreturn]] void execQuietly(const std::string& program, const std::vector<std::string>& arguments) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signalNumber, SIG_DFL);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}
}  // namespace

int interruptWhileStaged(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, int interruption) {
    const pid_t child = fork();
    if (child == 0) execQuietly(program, arguments);
    if (child < 0) return -1;
    const bool staged = waitForStagedFile(folder, [&] { return waitpid(child, nullptr, WNOHANG) != 0; });
    if (staged) kill(child, interruption);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !staged) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}
#endif
