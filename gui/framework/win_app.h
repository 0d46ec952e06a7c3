#pragma once
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <string>

#include "window_class.h"

// One entry of a window's table of child-control colours.
struct ColourEntry {
    HWND control;
    COLORREF textColour;
    HBRUSH brush;
    int flags;
};

constexpr int ColourTextBit = 1;
constexpr int ColourBrushBit = 2;
constexpr int ColourTableSize = 256;

// The only timer id whose WM_TIMER reaches onTimer.
constexpr WPARAM FrameTimerId = 4000;
// WM_USER with this wParam carries a ColourEntry* to register.
constexpr WPARAM RegisterColourCode = 4500;

extern int windowClassCount;
extern HWND mainWindow;

LRESULT CALLBACK sharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One top-level window whose messages arrive at the virtual hooks of the
// object. The order of the virtual operations is part of the design: keep it.
class WinApp {
public:
    explicit WinApp(HINSTANCE moduleInstance);
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;
    virtual ~WinApp();

    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void onCreate(HWND window);
    virtual void onDestroy(HWND window);
    virtual void onSize(HWND window, WPARAM wParam, LPARAM lParam);
    virtual void onPaint(HWND window, HDC deviceContext);
    virtual LRESULT onCtlColor(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void onCommand(HWND window, WPARAM wParam, LPARAM lParam);
    virtual void onUser(HWND window, WPARAM wParam, LPARAM lParam);
    virtual void onTimer(HWND window, WPARAM wParam, LPARAM lParam);
    virtual void onDropFiles(HWND window, HDROP drop);
    virtual int onOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Spare slots kept for derived windows; nothing calls them.
    virtual void spareHook1() {}
    virtual void spareHook2() {}
    virtual void spareHook3() {}

    HWND createMainWindow(const char* title, int x, int y, int width, int height, bool addFrame);
    void showAppWindow(int showCommand);
    int runMessageLoop();
    // One message taken from the queue: the dialog manager's keys, else translated and dispatched.
    void dispatchQueued(MSG& message);
    int messageBox(const char* text, const char* caption, UINT type);
    std::string droppedFileEndingWith(HDROP drop, const char* pattern);
    void registerColour(const ColourEntry& entry);

    // The object bound to a window of a WinApp class, or null (not such a
    // window, or a message that came before WM_CREATE).
    static WinApp* boundTo(HWND window);

    DWORD style = WS_OVERLAPPEDWINDOW;
    char className[32] = {};
    int bindSelf = 1;
    int timerActive = 0;
    int acceptsDrops = 0;
    DWORD exStyle = WS_EX_CLIENTEDGE;
    ColourEntry colourTable[ColourTableSize] = {};
    int colourCount = 0;
    HWND appWindow = nullptr;
    HINSTANCE instance;
    WindowClass* windowClass;

private:
    LRESULT paint(HWND window);
    ColourEntry* findColour(HWND control);
};
