#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "frame_window.h"
#include "gui_test_support.h"
#include "message_boxes.h"
#include "window_class.h"

namespace {
bool has(const std::vector<std::string>& hooks, const std::string& hook) {
    return std::find(hooks.begin(), hooks.end(), hook) != hooks.end();
}

std::string expectedClassName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "WL%03d", number);
    return name;
}
}  // namespace

TEST(WinAppClass, EachApplicationRegistersTheNextNumberedClass) {
    windowClassCount = 0;
    RecordingApp first;
    RecordingApp second;
    EXPECT_STREQ("WL001", first.className);
    EXPECT_STREQ("WL002", second.className);

    AppWindow made;
    const int number = windowClassCount;
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), expectedClassName(number).c_str(), &info));
    EXPECT_EQ(sharedWindowProc, info.lpfnWndProc);
    EXPECT_EQ(static_cast<int>(sizeof(LONG_PTR)), info.cbWndExtra);
    EXPECT_EQ(GetModuleHandleA(nullptr), instanceHandle);
}

TEST(WinAppBinding, ObjectIsBoundFromCreateOnAndEarlierMessagesGetTheDefault) {
    AppWindow made;
    ASSERT_NE(nullptr, made.window);
    EXPECT_EQ(made.app, WinApp::boundTo(made.window));
    EXPECT_EQ(made.window, made.app->appWindow);
    EXPECT_EQ(made.window, made.app->createdWindow);
    ASSERT_FALSE(made.app->hooks.empty());
    EXPECT_EQ("onCreate", made.app->hooks.front());
    const auto& other = made.app->otherMessages;
    EXPECT_EQ(other.end(), std::find(other.begin(), other.end(), static_cast<UINT>(WM_NCCREATE)));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE),
              GetWindowLongA(made.window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST(WinAppBinding, WithoutBindSelfNoHookRunsAndAWindowOfAnotherClassIsNotBound) {
    RecordingApp app;
    app.bindSelf = 0;
    app.windowClass->registerClass();
    HWND window = app.createMainWindow("unbound", 0, 0, 100, 50, false);
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(app.hooks.empty());
    EXPECT_EQ(nullptr, WinApp::boundTo(window));
    EXPECT_EQ(0, GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    DestroyWindow(window);
    EXPECT_EQ(nullptr, WinApp::boundTo(GetDesktopWindow()));
    drainMessages();
}

TEST(WinAppBinding, WindowOutlivingItsObjectFallsBackToTheDefaultProcedure) {
    auto* app = new RecordingApp;
    app->windowClass->registerClass();
    HWND window = app->createMainWindow("orphan", 0, 0, 100, 50, false);
    delete app;
    EXPECT_EQ(nullptr, WinApp::boundTo(window));
    SendMessageA(window, WM_COMMAND, 1, 0);
    EXPECT_TRUE(DestroyWindow(window));
    drainMessages();
}

TEST(WinAppDispatch, EachMessageReachesItsHook) {
    AppWindow made;
    RecordingApp& app = *made.app;
    SendMessageA(made.window, WM_COMMAND, 6001, 0);
    SendMessageA(made.window, WM_USER, 7, 0);
    SendMessageA(made.window, WM_TIMER, FrameTimerId, 0);
    SendMessageA(made.window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({"a.mid"})), 0);
    SendMessageA(made.window, WM_SIZE, 0, MAKELPARAM(10, 10));
    ShowWindow(made.window, SW_SHOWNA);
    InvalidateRect(made.window, nullptr, TRUE);
    UpdateWindow(made.window);
    for (const char* hook :
         {"onCommand:6001", "onUser:7", "onTimer:4000", "onDropFiles", "onSize", "onPaint"})
        EXPECT_TRUE(has(app.hooks, hook)) << hook;
    EXPECT_TRUE(app.paintedWithContext);
}

TEST(WinAppDispatch, OtherTimerIdsAndColourRegistrationsReachNoHook) {
    AppWindow made;
    RecordingApp& app = *made.app;
    app.hooks.clear();
    app.otherMessages.clear();
    EXPECT_EQ(0, SendMessageA(made.window, WM_TIMER, FrameTimerId + 1, 0));
    ColourEntry entry = {reinterpret_cast<HWND>(0x1234), RGB(1, 2, 3), nullptr, ColourTextBit};
    SendMessageA(made.window, WM_USER, RegisterColourCode, reinterpret_cast<LPARAM>(&entry));
    SendMessageA(made.window, WM_USER, RegisterColourCode, 0);  // no entry: ignored
    EXPECT_TRUE(app.hooks.empty());
    EXPECT_TRUE(app.otherMessages.empty());
    ASSERT_EQ(1, app.colourCount);
    EXPECT_EQ(RGB(1, 2, 3), app.colourTable[0].textColour);
}

TEST(WinAppDispatch, OtherMessageAnsweredByTheHookSkipsTheDefaultProcedure) {
    AppWindow made;
    made.app->otherResult = 1;
    SendMessageA(made.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(made.window));
    made.app->otherResult = 0;
    SendMessageA(made.window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(made.window));
    EXPECT_TRUE(has(made.app->hooks, "onDestroy"));
}

TEST(WinAppDispatch, CloseEndsTheMessageLoopWithQuitCodeZero) {
    AppWindow made;
    made.app->acceptsDrops = 1;
    DragAcceptFiles(made.window, TRUE);
    PostMessageA(made.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, made.app->runMessageLoop());
    EXPECT_FALSE(IsWindow(made.window));
    EXPECT_EQ(0, made.app->acceptsDrops);
}

TEST(WinAppColours, ControlColourMessagesUseTheRegisteredEntry) {
    AppWindow made;
    HWND control =
        CreateWindowExA(0, "STATIC", "x", WS_CHILD, 0, 0, 10, 10, made.window, nullptr, nullptr, nullptr);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    made.app->registerColour({control, RGB(0, 127, 0), black, ColourTextBit | ColourBrushBit});
    HDC deviceContext = GetDC(control);
    const LRESULT brush =
        SendMessageA(made.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(deviceContext),
                     reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(reinterpret_cast<LRESULT>(black), brush);
    EXPECT_EQ(RGB(0, 127, 0), GetTextColor(deviceContext));

    made.app->registerColour({control, RGB(9, 9, 9), nullptr, ColourTextBit});
    EXPECT_EQ(0, SendMessageA(made.window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(deviceContext),
                              reinterpret_cast<LPARAM>(control)));
    EXPECT_EQ(RGB(9, 9, 9), GetTextColor(deviceContext));
    EXPECT_EQ(1, made.app->colourCount);

    HWND stranger =
        CreateWindowExA(0, "STATIC", "y", WS_CHILD, 0, 0, 10, 10, made.window, nullptr, nullptr, nullptr);
    EXPECT_NE(0, SendMessageA(made.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(deviceContext),
                              reinterpret_cast<LPARAM>(stranger)))
        << "no entry: the default procedure's brush";
    ReleaseDC(control, deviceContext);
}

TEST(WinAppColours, TableKeepsTheFirst256Controls) {
    RecordingApp app;
    for (int i = 1; i <= ColourTableSize + 1; ++i)
        app.registerColour({reinterpret_cast<HWND>(static_cast<INT_PTR>(i)), 0, nullptr, ColourTextBit});
    EXPECT_EQ(ColourTableSize, app.colourCount);
    EXPECT_EQ(reinterpret_cast<HWND>(static_cast<INT_PTR>(ColourTableSize)),
              app.colourTable[ColourTableSize - 1].control);
    app.registerColour({reinterpret_cast<HWND>(1), RGB(5, 5, 5), nullptr, ColourTextBit});
    EXPECT_EQ(RGB(5, 5, 5), app.colourTable[0].textColour) << "a full table still replaces";
}

TEST(WinAppWindow, FrameAllowanceIsAddedToTheRequestedSize) {
    RecordingApp app;
    app.windowClass->registerClass();
    HWND window = app.createMainWindow("sized", -1, -1, 780, 475, true);
    expectFramedSize(window, 780, 475);
    DestroyWindow(window);
    drainMessages();
}

namespace {
std::string frameTitle;
bool frameVisible = false;

// Runs inside the frame's message loop: looks at the window, then closes it.
void CALLBACK inspectAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    frameTitle = windowText(mainWindow);
    frameVisible = IsWindowVisible(mainWindow) != FALSE;
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
}
}  // namespace

TEST(FrameWindowRun, ShowsTheTitledWindowAndReturnsWhenItCloses) {
    mainWindow = nullptr;
    auto* app = new RecordingApp;
    FrameWindow frame(app, "", "QUAVELICON", nullptr, SW_SHOWNORMAL);
    EXPECT_NE(nullptr, app->windowClass->record.hIcon) << "icon resource linked into this program";
    SetTimer(nullptr, 0, 20, inspectAndClose);
    EXPECT_EQ(0, frame.run("Frame title", 300, 200));
    ASSERT_NE(nullptr, mainWindow);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_EQ("Frame title", frameTitle);
    EXPECT_TRUE(frameVisible);
    EXPECT_TRUE(has(app->hooks, "onCreate"));
    drainMessages();
}

TEST(FrameWindowRun, WindowThatCannotBeMadeEndsTheRunAtOnce) {
    auto* app = new RecordingApp;
    app->style = WS_CHILD;  // refused without a parent
    FrameWindow frame(app, "", "", nullptr, SW_SHOW);
    EXPECT_EQ(0, frame.run("no window", 100, 100));
    EXPECT_EQ(nullptr, mainWindow);
}

TEST(FrameWindowRun, ARunningPreviousInstanceDisablesTheFrame) {
    FrameWindow frame(new RecordingApp, "", "", reinterpret_cast<HINSTANCE>(1), SW_SHOW);
    EXPECT_EQ(0, frame.enabled);
    EXPECT_EQ(0, frame.run("never", 100, 100));
    FrameWindow empty(nullptr, "", "", nullptr, SW_SHOW);
    EXPECT_EQ(0, empty.run("never", 100, 100));
}

TEST(MessageBoxes, NoticeShowsItsTextAndFormattedNoticesAreCut) {
    ModalDriver driver;
    driver.expectBox();
    driver.expectBox();
    EXPECT_EQ(1, showNotice("plain"));
    EXPECT_EQ(1, showNoticef("%s=%d %s", "n", 5, std::string(5000, 'x').c_str()));
    ASSERT_EQ(2u, driver.seen.size());
    EXPECT_EQ("Notice!", driver.seen[0].caption);
    EXPECT_EQ("plain", driver.seen[0].text);
    EXPECT_EQ(0u, driver.seen[1].text.find("n=5 xxx"));
    EXPECT_LE(driver.seen[1].text.size(), 4095u);
    EXPECT_TRUE(driver.unexpected.empty());
}
