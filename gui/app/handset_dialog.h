#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "handset_settings.h"

// The dialog resource of the handset settings.
constexpr const char* HandsetDialogName = "HANDSET_DLG";
// The rule of the SP-MIDI digits, shown while the box breaks it.
constexpr const char* PriorityRuleText =
    "SP-MIDI priority: hexadecimal channel digits 0-F, highest first, no channel twice.";

// "HANDSET_DLG" over a copy of the settings: a check box per profile quavel
// finds by name (and per one browsed to), the SP-MIDI box and its digits,
// Slim, Format 0 and Fit to. OK (also Enter) stores them unless a setting
// breaks its rule, which the dialog shows; Cancel, Esc and the close box
// store nothing.
class HandsetDialog {
public:
    HandsetDialog(HandsetSettings& edited, std::string installedProfileFolder);

    // Runs modally over owner; true when OK stored settings other than before.
    bool run(HINSTANCE instance, HWND owner);

private:
    // A profile the dialog offers, as -P takes it and as the lines show it.
    struct Offered {
        std::string given;
        std::string shown;
        std::string problem;  // why it cannot be read; empty when it can
    };

    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs at WM_INITDIALOG: the profiles found, then the settings shown.
    void onInit(HWND window);
    // Runs for every WM_COMMAND of the dialog's controls and keys.
    INT_PTR onCommand(WPARAM wParam);

    void offerFoundProfiles();
    void offerSettingsProfiles();
    void offer(const std::string& given, const std::string& shown, const std::string& problem);
    bool isOffered(const std::string& given) const;
    HWND makeProfileBox(int index, const Offered& profile);
    void fillFitList();
    void showSettings();
    void browse();
    std::string addBrowsed(const std::string& path);
    int indexOf(const std::string& given) const;
    void selectFit(const std::string& given);
    void showProblems();
    bool priorityValid() const;
    std::string priorityText() const;
    HandsetSettings readSettings() const;
    void finish();

    HandsetSettings& settings;
    std::string installed;
    HWND dialog = nullptr;
    std::vector<Offered> offered;
    // The profiles that can be read, as the Fit to list holds them after "(none)".
    std::vector<std::string> fitEntries;
    std::string browseProblem;
};
