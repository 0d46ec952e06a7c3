#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "gui_test_support.h"
#include "kesto_app.h"

// Ids of the main window's controls in a fresh process.
enum MainId {
    ConvertId = 6001,
    OptionId,
    PlayId,
    ToTextId,
    ToMidiId,
    LoadAfterId,
    NoTimeDetectId,
    Level0Id,
    Level1Id,
    Level2Id,
    ReportLabelId,
    OutputLabelId,
    LengthLabelId,
    ReportBoxId,
    OutputBoxId,
    BrowseId,
    LengthBoxId,
    HandsetId,
    HandsetLineId
};

// Every MCI command string sent, with its callback window.
struct MciCall {
    std::string command;
    HWND callback;
};
extern std::vector<MciCall> mciCalls;
// Records the call in mciCalls and answers success.
MCIERROR WINAPI recordMci(LPCSTR command, LPSTR answer, UINT answerSize, HWND callback);
std::vector<std::string> mciCommands();

// Stands in for the two file dialogs: each call takes the next answer (an
// empty one cancels) and records the title and the name it was offered.
struct FakeFileDialogs {
    FakeFileDialogs();
    ~FakeFileDialogs();
    std::deque<std::string> answers;
    std::vector<std::string> titles;
    std::vector<std::string> offeredNames;
};

// A folder of its own below the test's working directory, made current for
// the lifetime of the object; the working paths are built from it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    std::string path(const std::string& name) const { return folder + "\\" + name; }
    std::string folder;

private:
    std::string previous;
};

// The bundled example tune.
std::string exampleTune();

// kesto's main window as the program makes it, on a scratch start folder
// that holds the example as "test.mid" (unless told otherwise), with MCI and
// the file dialogs replaced by recorders. Boxes shown while the window is
// made are answered and kept in `startBoxes`.
class KestoWindow {
public:
    explicit KestoWindow(const std::string& testMidBytes = exampleTune(), int boxesAtStart = 0);
    ~KestoWindow();
    KestoWindow(const KestoWindow&) = delete;
    KestoWindow& operator=(const KestoWindow&) = delete;

    HWND control(int id) const { return GetDlgItem(window, id); }
    std::string text(int id) const { return windowText(control(id)); }
    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    void setText(int id, const std::string& text) const { SetWindowTextA(control(id), text.c_str()); }
    // A click as the button sends it.
    void click(int id) const;
    // A click that opens boxes: each is read into the result and closed with OK.
    std::vector<BoxText> clickAnswering(int id, int boxes) const;
    void drop(const std::vector<std::string>& names) const;

    ScratchFolder start;
    FakeFileDialogs dialogs;
    std::vector<BoxText> startBoxes;
    KestoApp* app;
    HWND window = nullptr;
};

// Clicks the button, runs script in the dialog it opens, and fails the test
// when none opened or another box came.
void withDialogOf(const KestoWindow& kesto, int buttonId, const ModalDriver::Script& script);

// The handset settings of the process and of quavel.ini, back to none.
void forgetHandsetSettings();

// In the open handset dialog: the id of the box of the profile shown as
// name (a failure and 0 when there is none), and a click on an item.
int profileBoxOf(HWND dialog, const std::string& name);
void clickItem(HWND dialog, int id);
