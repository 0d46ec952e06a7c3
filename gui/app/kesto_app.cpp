#include "kesto_app.h"

KestoApp::~KestoApp() = default;

void KestoApp::onCreate(HWND) {}

void KestoApp::onCommand(HWND, WPARAM, LPARAM) {}

void KestoApp::onDropFiles(HWND, HDROP drop) {
    // Nothing is loaded yet, but the drop's memory is released all the same.
    DragFinish(drop);
}

int KestoApp::onOtherMessage(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
