#pragma once
#include <windows.h>

class WinApp;

// Start-up wrapper of a WinApp: registers its class, makes and shows the
// window and runs the message loop. Owns the application object.
class FrameWindow {
public:
    FrameWindow(WinApp* application, const char* menuName, const char* iconName, HINSTANCE previous,
                int showCmd);
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;
    virtual ~FrameWindow();

    int run(const char* title, int x, int y, int width, int height, bool addFrame);
    int run(const char* title, int width, int height);

    HINSTANCE previousInstance;
    int showCommand;
    int enabled;
    WinApp* app;
};
