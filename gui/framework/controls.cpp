#include "controls.h"

namespace {
constexpr DWORD ChildVisible = WS_CHILD | WS_VISIBLE;

// A button draws its focus rectangle by inverting pixels, and a changed
// check mark draws that rectangle once more, which wipes it: a focused
// button is painted anew whole instead.
void sendCheck(GUIParts& button, bool flag) {
    button.sendToControl(BM_SETCHECK, flag ? 1 : 0, 0);
    HWND handle = button.handle();
    if (handle != nullptr && GetFocus() == handle)
        RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

DWORD optionalStyle(bool wanted, DWORD bits) {
    return wanted ? bits : 0;
}
}  // namespace

PushButton::PushButton(HWND parent) {
    initParts("BUTTON", parent, 0, ChildVisible | BS_PUSHBUTTON);
}

RadioButton::RadioButton(HWND parent) {
    initParts("BUTTON", parent, 0, ChildVisible | BS_RADIOBUTTON);
}

void RadioButton::setCheck(bool flag) {
    sendCheck(*this, flag);
}

CheckBox::CheckBox(HWND parent) {
    initParts("BUTTON", parent, 0, ChildVisible | BS_CHECKBOX);
}

void CheckBox::setCheck(bool flag) {
    sendCheck(*this, flag);
}

bool CheckBox::isChecked() {
    return sendToControl(BM_GETCHECK, 0, 0) == BST_CHECKED;
}

SimpleEdit::SimpleEdit(HWND parent, bool border, bool verticalScroll) {
    initParts("EDIT", parent, 0,
              ChildVisible | ES_MULTILINE | optionalStyle(border, WS_BORDER) |
                  optionalStyle(verticalScroll, WS_VSCROLL));
}

Label::Label(HWND parent, bool border) {
    initParts("STATIC", parent, 0, ChildVisible | optionalStyle(border, WS_BORDER));
}
