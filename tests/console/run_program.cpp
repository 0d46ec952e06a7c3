#include "run_program.h"

#include <chrono>
#include <csignal>
#include <cstdio>
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

// The program started straight, not through the command interpreter: Wine's
// interpreter now and then fails to find a program that two threads start at
// once ("Can't recognize ...", status 9009).
HANDLE startWithPipe(const std::string& program, const std::string& arguments, HANDLE& output) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return nullptr;
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

ProgramRun runStarted(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    HANDLE output = nullptr;
    HANDLE process = startWithPipe(program, arguments, output);
    if (process == nullptr) return run;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD k = 0; k < got; ++k)
            if (buffer[k] != '\r') run.output += buffer[k];
    }
    CloseHandle(output);
    WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process, &status);
    CloseHandle(process);
    run.status = static_cast<int>(status);
    return run;
}
#else
ProgramRun runStarted(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = popen(("'" + program + "' " + arguments).c_str(), "r");
    if (pipe == nullptr) return run;
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        if (c != '\r') run.output += static_cast<char>(c);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}
#endif
}  // namespace

ProgramRun runProgram(const std::string& program, const std::string& arguments) {
    return runStarted(program, arguments);
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
