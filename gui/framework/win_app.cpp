#include "win_app.h"

#include <cstdio>

#include "dialog_keys.h"
#include "drag_drop.h"
#include "window_class.h"

int windowClassCount = 0;
HWND mainWindow = nullptr;

WinApp::WinApp(HINSTANCE moduleInstance) : instance(moduleInstance) {
    windowClassCount += 1;
    std::snprintf(className, sizeof className, "WL%03d", windowClassCount);
    windowClass = new WindowClass(instance, sharedWindowProc, className);
    // The window's extra bytes hold the object pointer.
    windowClass->setWindowExtraBytes(sizeof(LONG_PTR));
}

WinApp::~WinApp() {
    // A window that outlives its object must not call into freed memory.
    if (appWindow != nullptr && boundTo(appWindow) == this) SetWindowLongPtrA(appWindow, 0, 0);
    delete windowClass;
}

WinApp* WinApp::boundTo(HWND window) {
    if (window == nullptr) return nullptr;
    const auto procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC));
    if (procedure != sharedWindowProc) return nullptr;
    return reinterpret_cast<WinApp*>(GetWindowLongPtrA(window, 0));
}

LRESULT CALLBACK sharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* app = reinterpret_cast<WinApp*>(GetWindowLongPtrA(window, 0));
    if (app == nullptr) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (message != WM_CREATE || creation == nullptr || creation->lpCreateParams == nullptr)
            return DefWindowProcA(window, message, wParam, lParam);
        app = static_cast<WinApp*>(creation->lpCreateParams);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(app));
    }
    return app->handleMessage(window, message, wParam, lParam);
}

LRESULT WinApp::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            appWindow = window;
            onCreate(window);
            return 0;
        case WM_DESTROY:
            onDestroy(window);
            return 0;
        case WM_SIZE:
            onSize(window, wParam, lParam);
            return 0;
        case WM_PAINT:
            return paint(window);
        case WM_COMMAND:
            followFocus(wParam, lParam);
            onCommand(window, wParam, lParam);
            return 0;
        case WM_TIMER:
            if (wParam == FrameTimerId) onTimer(window, wParam, lParam);
            return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            return onCtlColor(window, message, wParam, lParam);
        case WM_DROPFILES:
            onDropFiles(window, reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_USER:
            if (wParam != RegisterColourCode)
                onUser(window, wParam, lParam);
            else if (lParam != 0)
                registerColour(*reinterpret_cast<const ColourEntry*>(lParam));
            return 0;
        default:
            if (onOtherMessage(window, message, wParam, lParam) != 0) return 0;
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT WinApp::paint(HWND window) {
    PAINTSTRUCT paintInfo;
    HDC deviceContext = BeginPaint(window, &paintInfo);
    onPaint(window, deviceContext);
    EndPaint(window, &paintInfo);
    return 0;
}

void WinApp::onCreate(HWND) {}

void WinApp::onDestroy(HWND window) {
    if (timerActive) {
        KillTimer(window, FrameTimerId);
        timerActive = 0;
    }
    if (acceptsDrops) {
        DragAcceptFiles(window, FALSE);
        acceptsDrops = 0;
    }
    PostQuitMessage(0);
}

void WinApp::onSize(HWND, WPARAM, LPARAM) {}
void WinApp::onPaint(HWND, HDC) {}

LRESULT WinApp::onCtlColor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const ColourEntry* entry = findColour(reinterpret_cast<HWND>(lParam));
    if (entry == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (entry->flags & ColourTextBit) SetTextColor(reinterpret_cast<HDC>(wParam), entry->textColour);
    return (entry->flags & ColourBrushBit) ? reinterpret_cast<LRESULT>(entry->brush) : 0;
}

void WinApp::onCommand(HWND, WPARAM, LPARAM) {}
void WinApp::onUser(HWND, WPARAM, LPARAM) {}
void WinApp::onTimer(HWND, WPARAM, LPARAM) {}
void WinApp::onDropFiles(HWND, HDROP) {}
int WinApp::onOtherMessage(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

HWND WinApp::createMainWindow(const char* title, int x, int y, int width, int height, bool addFrame) {
    if (addFrame) {
        // Allows for a menu bar although the window has none: the sizes are the design's.
        width += 2 * GetSystemMetrics(SM_CXBORDER);
        height +=
            GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) + 2 * GetSystemMetrics(SM_CYBORDER);
    }
    if (x < 0) x = CW_USEDEFAULT;
    if (y < 0) y = CW_USEDEFAULT;
    appWindow = CreateWindowExA(bindSelf ? exStyle : 0, className, title, style, x, y, width, height, nullptr,
                                nullptr, instance, bindSelf ? this : nullptr);
    return appWindow;
}

void WinApp::showAppWindow(int showCommand) {
    if (appWindow == nullptr) return;
    ShowWindow(appWindow, showCommand);
    UpdateWindow(appWindow);
}

int WinApp::runMessageLoop() {
    MSG message = {};
    // GetMessageA answers -1 on failure: that ends the loop too, it would spin otherwise.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) dispatchQueued(message);
    return static_cast<int>(message.wParam);
}

void WinApp::dispatchQueued(MSG& message) {
    // Keys first to the dialog manager: Tab, the arrow keys and Enter work as in a dialog box.
    if (passToDialogManager(appWindow, message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

int WinApp::messageBox(const char* text, const char* caption, UINT type) {
    return MessageBoxA(appWindow, text, caption, type);
}

std::string WinApp::droppedFileEndingWith(HDROP drop, const char* pattern) {
    DragDrop dropped(drop);
    const char* name = dropped.findEndingWith(pattern);
    return name != nullptr ? std::string(name) : std::string();
}

ColourEntry* WinApp::findColour(HWND control) {
    for (int i = 0; i < colourCount; ++i)
        if (colourTable[i].control == control) return &colourTable[i];
    return nullptr;
}

void WinApp::registerColour(const ColourEntry& entry) {
    ColourEntry* existing = findColour(entry.control);
    if (existing != nullptr) {
        *existing = entry;
    } else if (colourCount < ColourTableSize) {
        colourTable[colourCount++] = entry;
    }
}
