#include "dialog_keys.h"

namespace {
// The window property that holds the control that had the focus.
const char FocusedControlProperty[] = "QuavelFocusedControl";

LRESULT dialogCode(HWND control) {
    return SendMessageA(control, WM_GETDLGCODE, 0, 0);
}

bool isPushButton(LRESULT code) {
    return (code & DLGC_BUTTON) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

void makeDefault(HWND button, bool flag) {
    SendMessageA(button, BM_SETSTYLE, flag ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// After a Tab the dialog manager takes the default style from every button
// and gives it back only where the owner names a default button: a plain
// window names none, so the focused button gets it back here.
void settleDefaultButton(HWND owner) {
    HWND focus = GetFocus();
    if (focus == nullptr || GetParent(focus) != owner) return;
    const LRESULT code = dialogCode(focus);
    if (isPushButton(code) && !(code & DLGC_DEFPUSHBUTTON)) makeDefault(focus, true);
}

bool isTabKey(LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    return message != nullptr && message->message == WM_KEYDOWN && message->wParam == VK_TAB;
}

LRESULT CALLBACK tabLeavingEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
    const LRESULT result = CallWindowProcA(original, edit, message, wParam, lParam);
    if (message == WM_GETDLGCODE && isTabKey(lParam)) return result & ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
    return result;
}
}  // namespace

bool passToDialogManager(HWND owner, MSG& message) {
    if (owner == nullptr || !IsDialogMessageA(owner, &message)) return false;
    settleDefaultButton(owner);
    return true;
}

void followButtonFocus(WPARAM wParam, LPARAM lParam) {
    const WORD code = HIWORD(wParam);
    const auto button = reinterpret_cast<HWND>(lParam);
    if ((code != BN_SETFOCUS && code != BN_KILLFOCUS) || button == nullptr) return;
    if (isPushButton(dialogCode(button))) makeDefault(button, code == BN_SETFOCUS);
}

void leaveTabToDialogManager(HWND edit) {
    if (edit == nullptr || GetWindowLongPtrA(edit, GWLP_USERDATA) != 0) return;
    const LONG_PTR original = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    SetWindowLongPtrA(edit, GWLP_USERDATA, original);
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(tabLeavingEditProc));
}

bool keepFocusedControl(HWND owner, UINT message, WPARAM wParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(owner, focus)) SetPropA(owner, FocusedControlProperty, focus);
        return false;
    }
    if (message == WM_NCDESTROY) RemovePropA(owner, FocusedControlProperty);
    if (message != WM_SETFOCUS) return false;
    const auto control = static_cast<HWND>(GetPropA(owner, FocusedControlProperty));
    if (control == nullptr || !IsChild(owner, control) || !IsWindowEnabled(control)) return false;
    SetFocus(control);
    return true;
}
