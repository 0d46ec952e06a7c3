#pragma once
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "win_app.h"

// What a message box or dialog showed.
struct BoxText {
    std::string caption;
    std::string text;
};
BoxText readBox(HWND box);
void pressButton(HWND box, int id);

// Answers the modal boxes and dialogs that the code under test opens on this
// thread, from a thread timer that runs inside their modal loops. Each script
// serves one new box, in order; a box without a script is recorded in
// `unexpected` and cancelled, so that a test fails instead of hanging.
class ModalDriver {
public:
    using Script = std::function<void(HWND box)>;

    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    void expect(Script script);
    // A box that is read into `seen` and closed with OK.
    void expectBox();

    std::vector<BoxText> seen;
    std::vector<BoxText> unexpected;
    std::size_t scriptsLeft() const { return scripts.size(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK visitWindow(HWND window, LPARAM self);
    void serve(HWND box);

    std::vector<Script> scripts;
    std::set<HWND> served;
    UINT_PTR timer;
};

// Every message waiting in this thread's queue, dispatched; WM_QUIT dropped
// (a pending one would end the next modal box at once).
void drainMessages();

// A drop handle holding names, as the shell makes one.
HDROP makeDrop(const std::vector<std::string>& names);

// A WinApp that records which hooks ran.
class RecordingApp : public WinApp {
public:
    RecordingApp() : WinApp(GetModuleHandleA(nullptr)) {}
    void onCreate(HWND window) override;
    void onDestroy(HWND window) override;
    void onSize(HWND, WPARAM, LPARAM) override { hooks.push_back("onSize"); }
    void onPaint(HWND, HDC deviceContext) override;
    void onCommand(HWND, WPARAM wParam, LPARAM) override;
    void onUser(HWND, WPARAM wParam, LPARAM) override;
    void onTimer(HWND, WPARAM wParam, LPARAM) override;
    void onDropFiles(HWND, HDROP drop) override;
    int onOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    std::vector<std::string> hooks;
    std::vector<UINT> otherMessages;
    HWND createdWindow = nullptr;
    bool paintedWithContext = false;
    int otherResult = 0;
};

// A RecordingApp with its window (200 x 100 at 0, 0), destroyed afterwards.
struct AppWindow {
    AppWindow();
    ~AppWindow();
    RecordingApp* app;
    HWND window;
};

// The window is as large as the client size asked for plus the frame
// allowance: twice the border, the caption, a menu bar and twice the border.
void expectFramedSize(HWND window, int width, int height);

std::string currentDirectory();
std::string windowText(HWND window);

// Tab (Shift+Tab when backwards) pressed in dialog, as its message loop takes it.
void tabIn(HWND dialog, bool backwards);
