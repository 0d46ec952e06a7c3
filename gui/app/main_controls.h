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

// The seventeen controls of kesto's main window. They take their ids in
// construction order, 6001 to 6017 in a fresh process, the three labels
// together before the report box.
class MainControls {
public:
    // Constructs and creates every control on window.
    explicit MainControls(HWND window);
    MainControls(const MainControls&) = delete;
    MainControls& operator=(const MainControls&) = delete;

    // Convert, Option, Play and MID->TXT: what needs a loaded source.
    void enableSourceCommands(bool flag);
    // Convert, Option, MID->TXT and TXT->MID: what must wait while playing.
    void enableOutsidePlayback(bool flag);
    // The length box by the decimal atol rule; 0 or less gives DefaultTuneLength.
    int32_t readLength();
    // The report of the last analysis; one of 32760 characters or more after
    // a note naming the report file, up to its first mebibyte.
    void showReport(const char* sourceName, const char* reportName);
    void showLength(int32_t length);
    // From the client area's origin to the right and bottom edges of the
    // controls: the least client area that shows them all.
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

private:
    void createButtons(HWND window);
    void arrangeTabOrder();
    std::vector<GUIParts*> inTabOrder() const;
    static std::string longReportText(const char* sourceName, const char* reportName);
    void createLevelGroup(HWND window);
    void createReportAndFileBoxes(HWND window);
};
