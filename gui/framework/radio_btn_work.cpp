#include "radio_btn_work.h"

#include "text_copy.h"

RadioBtnWork::RadioBtnWork(HWND parent) : parentWindow(parent) {}

void RadioBtnWork::addButton(const char* text) {
    if (count >= RadioGroupCapacity || parentWindow == nullptr) return;
    buttons[count] = new RadioButton(parentWindow);
    copyText(texts[count], text);
    owned[count] = 1;
    count += 1;
}

void RadioBtnWork::createAll(int x, int y, int width, int step) {
    for (int i = 0; i < count; ++i) buttons[i]->createControl(texts[i], x, y + i * step, width, step - 1);
}

void RadioBtnWork::selectButton(int index) {
    if (index < 0 || index >= count) return;
    for (int i = 0; i < count; ++i) buttons[i]->setCheck(false);
    buttons[index]->setCheck(true);
    selectedIndex = index;
}

bool RadioBtnWork::handleCommand(WPARAM wParam) {
    for (int i = 0; i < count; ++i) {
        if (buttons[i]->hasId(wParam)) {
            selectButton(i);
            return true;
        }
    }
    return false;
}

void RadioBtnWork::clearGroup() {
    for (int i = 0; i < count; ++i) {
        if (owned[i]) delete buttons[i];
        buttons[i] = nullptr;
        owned[i] = 0;
    }
    selectedIndex = 0;
    count = 0;
}

void RadioBtnWork::enableAll(bool flag) {
    for (int i = 0; i < count; ++i) buttons[i]->enableControl(flag);
}
