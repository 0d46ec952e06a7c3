#include "gui_test_support.h"

#include <gtest/gtest.h>
// After windows.h (through the header above), whose types it uses.
#include <shlobj.h>

#include <cstring>

#include "window_class.h"

BoxText readBox(HWND box) {
    char caption[256] = {};
    char text[4096] = {};
    GetWindowTextA(box, caption, sizeof caption);
    // The text of a message box is its static control 0xFFFF.
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return {caption, text};
}

void pressButton(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

namespace {
ModalDriver* activeDriver = nullptr;
constexpr UINT TickMilliseconds = 10;
}  // namespace

ModalDriver::ModalDriver() : timer(SetTimer(nullptr, 0, TickMilliseconds, tick)) {
    activeDriver = this;
}

ModalDriver::~ModalDriver() {
    KillTimer(nullptr, timer);
    activeDriver = nullptr;
}

void ModalDriver::expect(Script script) {
    scripts.push_back(std::move(script));
}

void ModalDriver::expectBox() {
    expect([this](HWND box) {
        seen.push_back(readBox(box));
        pressButton(box, IDOK);
    });
}

void CALLBACK ModalDriver::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeDriver != nullptr) EnumThreadWindows(GetCurrentThreadId(), visitWindow, 0);
}

BOOL CALLBACK ModalDriver::visitWindow(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) activeDriver->serve(window);
    return TRUE;
}

void ModalDriver::serve(HWND box) {
    if (!served.insert(box).second) return;
    if (scripts.empty()) {
        unexpected.push_back(readBox(box));
        pressButton(box, IDCANCEL);
        return;
    }
    Script script = std::move(scripts.front());
    scripts.erase(scripts.begin());
    script(box);
}

void drainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HDROP makeDrop(const std::vector<std::string>& names) {
    std::size_t namesLength = 1;
    for (const std::string& name : names) namesLength += name.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + namesLength);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* at = reinterpret_cast<char*>(header + 1);
    for (const std::string& name : names) {
        std::memcpy(at, name.c_str(), name.size() + 1);
        at += name.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void RecordingApp::onCreate(HWND window) {
    createdWindow = window;
    hooks.push_back("onCreate");
}

void RecordingApp::onDestroy(HWND window) {
    hooks.push_back("onDestroy");
    WinApp::onDestroy(window);
}

void RecordingApp::onPaint(HWND, HDC deviceContext) {
    paintedWithContext = deviceContext != nullptr;
    hooks.push_back("onPaint");
}

void RecordingApp::onCommand(HWND, WPARAM wParam, LPARAM) {
    hooks.push_back("onCommand:" + std::to_string(wParam));
}

void RecordingApp::onUser(HWND, WPARAM wParam, LPARAM) {
    hooks.push_back("onUser:" + std::to_string(wParam));
}

void RecordingApp::onTimer(HWND, WPARAM wParam, LPARAM) {
    hooks.push_back("onTimer:" + std::to_string(wParam));
}

void RecordingApp::onDropFiles(HWND, HDROP drop) {
    hooks.push_back("onDropFiles");
    DragFinish(drop);
}

int RecordingApp::onOtherMessage(HWND, UINT message, WPARAM, LPARAM) {
    otherMessages.push_back(message);
    return otherResult;
}

AppWindow::AppWindow() : app(new RecordingApp) {
    app->windowClass->registerClass();
    window = app->createMainWindow("recording", 0, 0, 200, 100, false);
}

AppWindow::~AppWindow() {
    if (IsWindow(window)) DestroyWindow(window);
    drainMessages();
    delete app;
}

void expectFramedSize(HWND window, int width, int height) {
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(width + 2 * GetSystemMetrics(SM_CXBORDER), bounds.right - bounds.left);
    EXPECT_EQ(height + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) +
                  2 * GetSystemMetrics(SM_CYBORDER),
              bounds.bottom - bounds.top);
}

std::string currentDirectory() {
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    return directory;
}

std::string windowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

void tabIn(HWND dialog, bool backwards) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = backwards ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG key = {GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    IsDialogMessageA(dialog, &key);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
}
