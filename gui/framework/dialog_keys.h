#pragma once
#include <windows.h>

// The dialog manager's keys in a window that is not a dialog box: Tab and
// Shift+Tab walk the WS_TABSTOP controls, the arrow keys move within a
// WS_GROUP, Enter presses the default push button. Enter presses the button
// that has the focus only when that button is the default one, so the default
// style follows the focus; a box may name the button that Enter presses from
// it.

// Lets the dialog manager take message, which it then dispatches itself, and
// leaves the focused push button, or the one the focused box names, the
// default one; false when message is for no window of owner.
bool passToDialogManager(HWND owner, MSG& message);

// For a push button's BN_SETFOCUS and BN_KILLFOCUS (buttons made with
// BS_NOTIFY): the focused button becomes the default one, and stops being it
// when the focus leaves. The same for an edit's EN_SETFOCUS and EN_KILLFOCUS
// and the button set for it below. Any other command is left alone.
void followFocus(WPARAM wParam, LPARAM lParam);

// While control has the focus, button is the default one: it shows so, and
// Enter presses it (when it is enabled). Call it once both windows exist.
void setDefaultButtonFor(HWND control, HWND button);

// A multi-line edit asks for every key; this one leaves Tab and Shift+Tab to
// the dialog manager. Call it once the edit window exists.
void leaveTabToDialogManager(HWND edit);

// A dialog box gives the focus back to the control that had it when the box
// is activated again, after a message box for instance; a plain window would
// keep the focus itself, and Tab would start over. Feed it owner's
// WM_ACTIVATE, WM_SETFOCUS and WM_NCDESTROY; true when it has moved the focus.
bool keepFocusedControl(HWND owner, UINT message, WPARAM wParam);
