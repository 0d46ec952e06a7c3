#include "window_class.h"

#include "text_copy.h"

HINSTANCE instanceHandle = nullptr;

WindowClass::WindowClass(HINSTANCE moduleInstance, WNDPROC procedure, const char* name)
    : instance(moduleInstance) {
    copyText(className, name);
    record.cbSize = sizeof record;
    record.style = CS_HREDRAW | CS_VREDRAW;
    record.lpfnWndProc = procedure;
    record.hInstance = instance;
    record.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    record.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    record.lpszClassName = className;
    instanceHandle = instance;
}

void WindowClass::setIcon(const char* name) {
    copyText(iconName, name);
    record.hIcon = LoadIconA(instance, iconName);
}

void WindowClass::setMenuName(const char* name) {
    copyText(menuName, name);
    record.lpszMenuName = menuName;
}

void WindowClass::setWindowExtraBytes(int count) {
    record.cbWndExtra = count;
}

ATOM WindowClass::registerClass() {
    return RegisterClassExA(&record);
}
