#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls.h"
#include "radio_btn_work.h"

// Where the main window's controls stand: client pixels.
struct ControlPlace {
    int x;
    int y;
    int width;
    int height;
};

// The controls of kesto's main window. They take their ids in construction
// order, 6001 to 6017 in a fresh process, the three labels together before
// the report box; the Handset button and its line come last, 6018 and 6019.
class MainControls {
public:
    // Constructs and creates every control on window.
    explicit MainControls(HWND window);
    MainControls(const MainControls&) = delete;
    MainControls& operator=(const MainControls&) = delete;

    // Convert, Option, Play and MID->TXT: what needs a loaded source.
    void enableSourceCommands(bool flag);
    // Convert, Option, Handset, MID->TXT and TXT->MID: what must wait while playing.
    void enableOutsidePlayback(bool flag);
    // The length box by the decimal atol rule; 0 or less gives DefaultTuneLength.
    int32_t readLength();
    // The report of the last analysis; one longer than a mebibyte after a
    // note naming the report file, up to its last whole line within.
    void showReport(const char* sourceName, const char* reportName);
    void showLength(int32_t length);
    // What a Convert found, a line each, an empty line, then the report.
    void showFindings(const std::vector<std::string>& lines);
    // The line of the handset settings in force.
    void showHandsetLine(const std::string& text);
    // Places the controls for a client area of that size: the buttons keep
    // their distance to the right edge, the output row its distance to the
    // bottom edge, and the report box takes the rest. At the size the window
    // was made with, every control stands where it was made.
    void fitTo(int clientWidth, int clientHeight);
    // From the client area's origin to the right and bottom edges of the
    // controls where they were made: the least client area that shows them all.
    RECT extent() const;

    std::unique_ptr<PushButton> convertButton;
    std::unique_ptr<PushButton> optionButton;
    std::unique_ptr<PushButton> playButton;
    std::unique_ptr<PushButton> toTextButton;
    std::unique_ptr<PushButton> toMidiButton;
    std::unique_ptr<CheckBox> loadAfterBox;
    std::unique_ptr<CheckBox> noTimeDetectBox;
    std::unique_ptr<RadioBtnWork> levelGroup;
    std::unique_ptr<Label> reportLabel;
    std::unique_ptr<Label> outputLabel;
    std::unique_ptr<Label> lengthLabel;
    std::unique_ptr<SimpleEdit> reportBox;
    std::unique_ptr<SimpleEdit> outputBox;
    std::unique_ptr<PushButton> browseButton;
    std::unique_ptr<SimpleEdit> lengthBox;
    std::unique_ptr<PushButton> handsetButton;
    std::unique_ptr<Label> handsetLine;

private:
    // How a control follows the size of the client area.
    enum class Follows { Nothing, RightEdge, BottomEdge, BothEdges };
    struct Placement {
        GUIParts* control;
        ControlPlace place;  // at the size the window was made with
        Follows follows;
    };
    std::vector<Placement> layout() const;
    // Where the control stands in a client area wider by dx and higher by dy.
    static ControlPlace placeAt(const Placement& placement, int dx, int dy);

    SIZE startSize = {};
    // The report box's text as the last analysis left it.
    std::string reportText;

    void createButtons(HWND window);
    void arrangeTabOrder();
    std::vector<GUIParts*> inTabOrder() const;
    static std::string longReportText(const char* sourceName, const char* reportName);
    void createLevelGroup(HWND window);
    void createReportAndFileBoxes(HWND window);
    void createHandsetControls(HWND window);
    void setReport(std::string text);
};
