#include "run_program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
ProgramRun runStarted(const std::string& program, const std::string& arguments) {
    return runChildCommandLine(program, arguments);
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
        run.failure = signalEndText(WTERMSIG(raw));
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
    std::string command = "\"" + nativeProgramPath(program) + "\"";
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
