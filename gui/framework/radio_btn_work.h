#pragma once
#include <windows.h>

#include "controls.h"

constexpr int RadioGroupCapacity = 64;
constexpr int RadioTextSize = 128;

// A group of radio buttons of which exactly one is checked by the group.
class RadioBtnWork {
public:
    explicit RadioBtnWork(HWND parent);
    RadioBtnWork(const RadioBtnWork&) = delete;
    RadioBtnWork& operator=(const RadioBtnWork&) = delete;
    ~RadioBtnWork() { clearGroup(); }

    void addButton(const char* text);
    // Button i at (x, y + i * step), step - 1 pixels high.
    void createAll(int x, int y, int width, int step);
    void selectButton(int index);
    bool handleCommand(WPARAM wParam);
    void clearGroup();
    void enableAll(bool flag);
    // Makes the group one stop of the Tab walk, at the checked button; the
    // arrow keys move within the group. Call before createAll.
    void makeTabStop();

    RadioButton* buttons[RadioGroupCapacity] = {};
    char texts[RadioGroupCapacity][RadioTextSize] = {};
    int owned[RadioGroupCapacity] = {};
    int selectedIndex = 0;
    int count = 0;
    HWND parentWindow;
    int tabStop = 0;

private:
    void placeTabStop(int index);
};
