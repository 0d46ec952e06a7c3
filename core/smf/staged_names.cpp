#include "smf/staged_names.h"

#include <atomic>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <csignal>
#endif

namespace {
// More staged files than any program here holds open at once.
constexpr int SlotCount = 16;
constexpr size_t SlotNameSize = StagedNameLimit;

enum SlotState : int { Free, Claimed, Held };

// A name is complete before its slot reads Held, and the handler reads only
// Held slots: lock-free atomics are safe in a signal handler.
struct Slot {
    std::atomic<int> state{Free};
    char name[SlotNameSize];
};
Slot slots[SlotCount];

void removeNow(const char* path) {
#ifdef _WIN32
    DeleteFileA(path);  // staged files share deletion, so this works while they are open
#else
    ::unlink(path);
#endif
}

void removeHeldNames() {
    for (Slot& slot : slots) {
        if (slot.state.load() == Held) removeNow(slot.name);
    }
}

#ifdef _WIN32
// Returning FALSE hands the event on to the default handler, which ends the
// process with STATUS_CONTROL_C_EXIT.
BOOL WINAPI onConsoleEvent(DWORD) {
    removeHeldNames();
    return FALSE;
}

void installHandlers() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
#else
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The signal stays blocked while this runs, so the raised one is delivered,
// with its default action, as the handler returns.
void onEndingSignal(int signalNumber) {
    removeHeldNames();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// A signal the process was started to ignore, or that someone else handles,
// keeps its disposition.
void installHandlers() {
    for (int signalNumber : EndingSignals) {
        struct sigaction old {};
        if (sigaction(signalNumber, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signalNumber, &action, nullptr);
    }
}
#endif

int claimFreeSlot() {
    for (int index = 0; index < SlotCount; ++index) {
        int expected = Free;
        if (slots[index].state.compare_exchange_strong(expected, Claimed)) return index;
    }
    return -1;
}
}  // namespace

int holdStagedName(const std::string& path) {
    static const bool installed = (installHandlers(), true);
    (void)installed;
    if (path.size() >= SlotNameSize) return -1;
    const int index = claimFreeSlot();
    if (index < 0) return -1;
    std::memcpy(slots[index].name, path.c_str(), path.size() + 1);
    slots[index].state.store(Held);
    return index;
}

void releaseStagedName(int slot) {
    if (slot >= 0 && slot < SlotCount) slots[slot].state.store(Free);
}
