#pragma once
#include "win_app.h"

// The one main window of kesto. Its controls and state are process-wide
// objects that its creation makes.
class KestoApp : public WinApp {
public:
    explicit KestoApp(HINSTANCE moduleInstance) : WinApp(moduleInstance) {}

    // Runs when the frame deletes the application, after the window is gone.
    ~KestoApp() override;
    // Runs inside CreateWindowExA, once the window is bound to this object.
    void onCreate(HWND window) override;
    // Runs for every WM_COMMAND: button clicks of the controls.
    void onCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Runs when files are dropped on the window (only while drops are on).
    void onDropFiles(HWND window, HDROP drop) override;
    // Runs for messages without a hook of their own; 0 lets the default procedure answer.
    int onOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
