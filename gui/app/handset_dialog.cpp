#include "handset_dialog.h"

#include <algorithm>
#include <utility>

#include "fit/profile_finder.h"
#include "fit/profile_reader.h"
#include "resource.h"
#include "startup.h"

namespace {
// Where the profile check boxes stand, in dialog units.
constexpr int BoxX = 7;
constexpr int FirstBoxY = 19;
constexpr int BoxStep = 12;
constexpr int BoxWidth = 140;
constexpr int BoxHeight = 10;
constexpr int PriorityTextSize = 64;
const char NoFitEntry[] = "(none)";
const char ProfileFilterKey[] = "PROFILE";
const char TooManyProfiles[] = "No room for more profiles: at most 16 are offered.";

bool isChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void setChecked(HWND dialog, int id, bool flag) {
    CheckDlgButton(dialog, id, flag ? BST_CHECKED : BST_UNCHECKED);
}

// The problem of the profile the name finds; empty when it reads.
std::string readProblem(const ProfileLocation& where) {
    HandsetProfile profile;
    const Result read = readHandsetProfile(where, profile);
    return read.ok() ? std::string() : std::string(read.message());
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

HandsetDialog::HandsetDialog(HandsetSettings& edited, std::string installedProfileFolder)
    : settings(edited), installed(std::move(installedProfileFolder)) {}

bool HandsetDialog::run(HINSTANCE instance, HWND owner) {
    const HandsetSettings before = settings;
    DialogBoxParamA(instance, HandsetDialogName, owner, dialogProc, reinterpret_cast<LPARAM>(this));
    return settings != before;
}

INT_PTR CALLBACK HandsetDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<HandsetDialog*>(lParam)->onInit(window);
        return TRUE;
    }
    auto* self = reinterpret_cast<HandsetDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    if (message == WM_COMMAND) return self->onCommand(wParam);
    if (message == WM_CLOSE) {
        EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void HandsetDialog::onInit(HWND window) {
    dialog = window;
    offerFoundProfiles();
    offerSettingsProfiles();
    fillFitList();
    showSettings();
    showProblems();
}

// Each profile quavel finds by its name; one hidden by another of its name
// cannot be named, so it is not offered.
void HandsetDialog::offerFoundProfiles() {
    for (const ListedProfile& listed : listHandsetProfiles(installed))
        if (listed.hiddenBy.empty()) offer(listed.name, listed.location.name, readProblem(listed.location));
}

// The profiles the settings name that no folder offers: those browsed to.
void HandsetDialog::offerSettingsProfiles() {
    std::vector<std::string> named = settings.checked;
    if (!settings.fit.empty()) named.push_back(settings.fit);
    for (const std::string& given : named) {
        if (isOffered(given)) continue;
        const ProfileLocation where = locateHandsetProfile(given, installed);
        offer(given, where.name.empty() ? given : where.name, readProblem(where));
    }
}

bool HandsetDialog::isOffered(const std::string& given) const {
    return indexOf(given) < static_cast<int>(offered.size());
}

void HandsetDialog::offer(const std::string& given, const std::string& shown, const std::string& problem) {
    if (offered.size() >= IDC_PROFILE_COUNT) return;
    offered.push_back({given, shown, problem});
    const int index = static_cast<int>(offered.size()) - 1;
    HWND box = makeProfileBox(index, offered.back());
    // An unreadable profile is shown, with its problem, but cannot be checked.
    EnableWindow(box, problem.empty() ? TRUE : FALSE);
    if (problem.empty()) fitEntries.push_back(given);
}

// A check box below the previous one, next after it in the Tab order.
HWND HandsetDialog::makeProfileBox(int index, const Offered& profile) {
    RECT place = {BoxX, FirstBoxY + BoxStep * index, BoxX + BoxWidth,
                  FirstBoxY + BoxStep * index + BoxHeight};
    MapDialogRect(dialog, &place);
    const int id = IDC_PROFILE_FIRST + index;
    HWND box = CreateWindowExA(0, "BUTTON", profile.shown.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(box, WM_SETFONT, static_cast<WPARAM>(SendMessageA(dialog, WM_GETFONT, 0, 0)), FALSE);
    const int previousId = index == 0 ? IDC_CHECK_HEADING : id - 1;
    SetWindowPos(box, GetDlgItem(dialog, previousId), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return box;
}

void HandsetDialog::fillFitList() {
    HWND list = GetDlgItem(dialog, IDC_FIT);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NoFitEntry));
    for (const std::string& given : fitEntries)
        SendMessageA(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(shownProfileName(given, installed).c_str()));
}

void HandsetDialog::showSettings() {
    for (size_t i = 0; i < offered.size(); ++i)
        setChecked(dialog, IDC_PROFILE_FIRST + static_cast<int>(i),
                   offered[i].problem.empty() && contains(settings.checked, offered[i].given));
    setChecked(dialog, IDC_SPMIDI, settings.spMidi != 0);
    SetDlgItemTextA(dialog, IDC_PRIORITY, settings.priority.c_str());
    setChecked(dialog, IDC_SLIM, settings.slim != 0);
    setChecked(dialog, IDC_FORMAT_ZERO, settings.formatZero != 0);
    selectFit(settings.fit);
}

INT_PTR HandsetDialog::onCommand(WPARAM wParam) {
    const int id = LOWORD(wParam);
    if (id == IDC_PRIORITY && HIWORD(wParam) == EN_CHANGE) {
        showProblems();
    } else if (id == IDC_PROFILE_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        browse();
    } else if (id == IDOK) {
        finish();
    } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    } else {
        return FALSE;
    }
    return TRUE;
}

// Runs for Browse: a profile from elsewhere, offered and checked.
void HandsetDialog::browse() {
    char path[PathSize] = {};
    if (!fileDialog.chooseFile("Select handset profile", path, ProfileFilterKey, true)) return;
    browseProblem = addBrowsed(path);
    showProblems();
}

// Why the profile at path is not checked now; empty when it is.
std::string HandsetDialog::addBrowsed(const std::string& path) {
    const ProfileLocation where = locateHandsetProfile(path, installed);
    if (where.place == ProfilePlace::Nowhere) return "No such profile [" + path + "]";
    const std::string problem = readProblem(where);
    if (!problem.empty()) return problem;
    if (!isOffered(path)) {
        if (offered.size() >= IDC_PROFILE_COUNT) return TooManyProfiles;
        const std::string fit = readSettings().fit;
        offer(path, where.name, problem);
        fillFitList();
        selectFit(fit);
    }
    setChecked(dialog, IDC_PROFILE_FIRST + indexOf(path), true);
    return "";
}

int HandsetDialog::indexOf(const std::string& given) const {
    const auto found =
        std::find_if(offered.begin(), offered.end(), [&](const Offered& o) { return o.given == given; });
    return static_cast<int>(found - offered.begin());
}

void HandsetDialog::selectFit(const std::string& given) {
    const auto fit = std::find(fitEntries.begin(), fitEntries.end(), given);
    const auto entry = fit == fitEntries.end() ? 0 : fit - fitEntries.begin() + 1;
    SendDlgItemMessageA(dialog, IDC_FIT, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

// Every unreadable profile's message, the browsed one's and the digits' rule.
void HandsetDialog::showProblems() {
    std::string text;
    for (const Offered& profile : offered)
        if (!profile.problem.empty()) text += profile.problem + "\r\n";
    if (!browseProblem.empty()) text += browseProblem + "\r\n";
    if (!priorityValid()) text += std::string(PriorityRuleText) + "\r\n";
    SetDlgItemTextA(dialog, IDC_HANDSET_MESSAGE, text.c_str());
}

std::string HandsetDialog::priorityText() const {
    char text[PriorityTextSize] = {};
    GetDlgItemTextA(dialog, IDC_PRIORITY, text, sizeof text);
    return text;
}

bool HandsetDialog::priorityValid() const {
    return validPriorityDigits(priorityText());
}

HandsetSettings HandsetDialog::readSettings() const {
    HandsetSettings read;
    for (size_t i = 0; i < offered.size(); ++i)
        if (offered[i].problem.empty() && isChecked(dialog, IDC_PROFILE_FIRST + static_cast<int>(i)))
            read.checked.push_back(offered[i].given);
    read.spMidi = isChecked(dialog, IDC_SPMIDI) ? 1 : 0;
    read.priority = priorityText();
    read.slim = isChecked(dialog, IDC_SLIM) ? 1 : 0;
    read.formatZero = isChecked(dialog, IDC_FORMAT_ZERO) ? 1 : 0;
    const auto entry = SendDlgItemMessageA(dialog, IDC_FIT, CB_GETCURSEL, 0, 0);
    if (entry > 0 && static_cast<size_t>(entry) <= fitEntries.size())
        read.fit = fitEntries[static_cast<size_t>(entry) - 1];
    return read;
}

// Runs for OK and Enter: digits that break the rule keep the dialog open, on the box.
void HandsetDialog::finish() {
    if (!priorityValid()) {
        showProblems();
        SetFocus(GetDlgItem(dialog, IDC_PRIORITY));
        return;
    }
    settings = readSettings();
    EndDialog(dialog, IDOK);
}
