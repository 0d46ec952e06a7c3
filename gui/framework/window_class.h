#pragma once
#include <windows.h>

// The module instance, kept by every WindowClass; the controls are made with it.
extern HINSTANCE instanceHandle;

// The registration record of one window class.
class WindowClass {
public:
    WindowClass(HINSTANCE moduleInstance, WNDPROC procedure, const char* name);
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    virtual ~WindowClass() = default;

    void setIcon(const char* name);
    void setMenuName(const char* name);
    void setWindowExtraBytes(int count);
    ATOM registerClass();

    char iconName[32] = {};
    char menuName[32] = {};
    char className[32] = {};
    HINSTANCE instance;
    WNDCLASSEXA record = {};
};
