#include "frame_window.h"

#include "win_app.h"
#include "window_class.h"

FrameWindow::FrameWindow(WinApp* application, const char* menuName, const char* iconName, HINSTANCE previous,
                         int showCmd)
    : previousInstance(previous),
      showCommand(showCmd),
      enabled(previous == nullptr && application != nullptr),
      app(application) {
    if (!enabled) return;
    if (menuName != nullptr && menuName[0] != '\0') app->windowClass->setMenuName(menuName);
    if (iconName != nullptr && iconName[0] != '\0') app->windowClass->setIcon(iconName);
}

FrameWindow::~FrameWindow() {
    delete app;
}

int FrameWindow::run(const char* title, int x, int y, int width, int height, bool addFrame) {
    if (!enabled) return 0;
    app->windowClass->registerClass();
    mainWindow = app->createMainWindow(title, x, y, width, height, addFrame);
    // Without a window nothing could ever end the message loop.
    if (mainWindow == nullptr) return 0;
    app->showAppWindow(showCommand);
    return app->runMessageLoop();
}

int FrameWindow::run(const char* title, int width, int height) {
    return run(title, -1, -1, width, height, true);
}
