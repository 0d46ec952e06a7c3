#pragma once
#include <windows.h>

// The dialog resource of the per-channel options.
constexpr const char* OptionDialogName = "OPTION_DLG";

// The procedure of "OPTION_DLG": fills the lists from ConvertOptions when it
// opens; DECIDE (also Enter) stores the selections and closes, RESET clears
// the options at once and refills; the close box and Esc end the dialog
// storing nothing.
INT_PTR CALLBACK optionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills and selects the 48 lists from ConvertOptions; channels without
// events get a placeholder entry and are disabled.
void fillOptionDialog(HWND dialog);
// Stores the selections of the channels in use into ConvertOptions.
void readOptionDialog(HWND dialog);

// Runs the dialog modally over owner; true when it ended with any velocity
// offset, instrument override or octave shift other than when it opened.
bool runOptionDialog(HINSTANCE instance, HWND owner);
