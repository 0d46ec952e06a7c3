#include "dialog_keys.h"

namespace {
// The window property that holds the control that had the focus.
const char FocusedControlProperty[] = "QuavelFocusedControl";
// The property of a control that names its default button. The system frees
// a window's properties with the window.
const char DefaultButtonProperty[] = "QuavelDefaultButton";

LRESULT dialogCode(HWND control) {
    return SendMessageA(control, WM_GETDLGCODE, 0, 0);
}

bool isPushButton(LRESULT code) {
    return (code & DLGC_BUTTON) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

void makeDefault(HWND button, bool flag) {
    SendMessageA(button, BM_SETSTYLE, flag ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

HWND defaultButtonOf(HWND control) {
    return control != nullptr ? static_cast<HWND>(GetPropA(control, DefaultButtonProperty)) : nullptr;
}

// After a Tab the dialog manager takes the default style from every button
// and gives it back only where the owner names a default button: a plain
// window names none, so the focused button, or the one its box names, gets
// it back here. Every message passes here: a button that is the default
// already is left alone, since restyling repaints it, which is a message too.
void settleDefaultButton(HWND owner) {
    HWND focus = GetFocus();
    if (focus == nullptr || GetParent(focus) != owner) return;
    HWND button = defaultButtonOf(focus);
    if (button == nullptr) button = focus;
    const LRESULT code = dialogCode(button);
    if (isPushButton(code) && !(code & DLGC_DEFPUSHBUTTON)) makeDefault(button, true);
}

// Enter in a box that names a default button: the dialog manager would ask
// the owner, which is no dialog box and names none.
bool pressDefaultButton(HWND owner, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
    HWND button = defaultButtonOf(GetFocus());
    if (button == nullptr || GetParent(button) != owner) return false;
    if (IsWindowEnabled(button))
        SendMessageA(owner, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    return true;
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
    if (owner == nullptr) return false;
    if (pressDefaultButton(owner, message)) return true;
    if (!IsDialogMessageA(owner, &message)) return false;
    settleDefaultButton(owner);
    return true;
}

void followFocus(WPARAM wParam, LPARAM lParam) {
    const WORD code = HIWORD(wParam);
    const auto control = reinterpret_cast<HWND>(lParam);
    if (control == nullptr) return;
    if (code == BN_SETFOCUS || code == BN_KILLFOCUS) {
        if (isPushButton(dialogCode(control))) makeDefault(control, code == BN_SETFOCUS);
    } else if (code == EN_SETFOCUS || code == EN_KILLFOCUS) {
        if (HWND button = defaultButtonOf(control)) makeDefault(button, code == EN_SETFOCUS);
    }
}

void setDefaultButtonFor(HWND control, HWND button) {
    if (control != nullptr && button != nullptr) SetPropA(control, DefaultButtonProperty, button);
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
