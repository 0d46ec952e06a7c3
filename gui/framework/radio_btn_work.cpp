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
    if (tabStop) placeTabStop(index);
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

void RadioBtnWork::makeTabStop() {
    tabStop = 1;
    if (count > 0) buttons[0]->addStyle(WS_GROUP);
}

// Tab lands on the checked button, as in a dialog box: landing there changes nothing.
void RadioBtnWork::placeTabStop(int index) {
    for (int i = 0; i < count; ++i) {
        HWND button = buttons[i]->handle();
        if (button == nullptr) continue;
        const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
        const LONG_PTR wanted =
            i == index ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        if (wanted != style) SetWindowLongPtrA(button, GWL_STYLE, wanted);
    }
}
