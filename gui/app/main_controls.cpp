#include "main_controls.h"

#include <cstdio>
#include <cstdlib>

#include "analysis_report.h"
#include "convert_options.h"
#include "decimal_text.h"
#include "vfile.h"

namespace {
// The longest report the box shows; a longer one is left to the report file.
constexpr int32_t LongestShownReport = 32759;
// The length box is read up to this many bytes, the terminating NUL included.
constexpr int LengthTextSize = 20;
constexpr int SmallFontHeight = 10;
constexpr int LabelFontHeight = 16;
constexpr int LevelButtonStep = 30;

const ControlPlace ConvertPlace = {651, 160, 100, 29};
const ControlPlace OptionPlace = {651, 190, 100, 29};
const ControlPlace PlayPlace = {651, 260, 100, 29};
const ControlPlace ToTextPlace = {656, 350, 90, 29};
const ControlPlace ToMidiPlace = {656, 380, 90, 29};
const ControlPlace LoadAfterPlace = {660, 410, 90, 19};
const ControlPlace NoTimeDetectPlace = {651, 30, 100, 29};
// The level buttons: each is one step below the previous and a pixel less high.
const ControlPlace LevelPlace = {655, 60, 100, LevelButtonStep - 1};
const ControlPlace ReportLabelPlace = {10, 10, 200, 19};
const ControlPlace OutputLabelPlace = {10, 410, 200, 19};
const ControlPlace LengthLabelPlace = {520, 410, 100, 29};
const ControlPlace ReportBoxPlace = {10, 30, 640, 380};
const ControlPlace OutputBoxPlace = {10, 430, 450, 45};
const ControlPlace BrowsePlace = {461, 430, 50, 29};
const ControlPlace LengthBoxPlace = {520, 430, 120, 29};

void create(GUIParts& control, const char* text, const ControlPlace& place) {
    control.createControl(text, place.x, place.y, place.width, place.height);
}

template <typename Kind>
std::unique_ptr<Kind> makeCreated(HWND window, const char* text, const ControlPlace& place) {
    auto control = std::make_unique<Kind>(window);
    create(*control, text, place);
    return control;
}

void createLabel(Label& label, const char* text, const ControlPlace& place) {
    create(label, text, place);
    label.setFont(FontArial, LabelFontHeight, 0);
}
}  // namespace

MainControls::MainControls(HWND window) {
    createButtons(window);
    noTimeDetectBox = makeCreated<CheckBox>(window, "NoTimeDet", NoTimeDetectPlace);
    createLevelGroup(window);
    createReportAndFileBoxes(window);
}

void MainControls::createButtons(HWND window) {
    convertButton = makeCreated<PushButton>(window, "Convert", ConvertPlace);
    optionButton = makeCreated<PushButton>(window, "Option", OptionPlace);
    playButton = makeCreated<PushButton>(window, "Play", PlayPlace);
    toTextButton = makeCreated<PushButton>(window, "MID->TXT", ToTextPlace);
    toMidiButton = makeCreated<PushButton>(window, "TXT->MID", ToMidiPlace);
    loadAfterBox = makeCreated<CheckBox>(window, "Load after Cvt", LoadAfterPlace);
    loadAfterBox->setFont(FontGothic, SmallFontHeight, 0);
}

void MainControls::createLevelGroup(HWND window) {
    levelGroup = std::make_unique<RadioBtnWork>(window);
    for (const char* text : {"DETECT Lv0", "DETECT Lv1", "DETECT Lv2"}) levelGroup->addButton(text);
    levelGroup->createAll(LevelPlace.x, LevelPlace.y, LevelPlace.width, LevelButtonStep);
    levelGroup->selectButton(1);
}

void MainControls::createReportAndFileBoxes(HWND window) {
    // The labels take their ids together, before the boxes.
    reportLabel = std::make_unique<Label>(window);
    outputLabel = std::make_unique<Label>(window);
    lengthLabel = std::make_unique<Label>(window);
    createLabel(*reportLabel, "Analysis Report", ReportLabelPlace);
    reportBox = std::make_unique<SimpleEdit>(window, true, true);
    create(*reportBox, "", ReportBoxPlace);
    reportBox->setFont(FontGothic, SmallFontHeight, 0);
    reportBox->setStockBrush(WHITE_BRUSH);
    reportBox->setTextColour(0, 127, 0);
    createLabel(*outputLabel, "Output File", OutputLabelPlace);
    outputBox = std::make_unique<SimpleEdit>(window, true);
    outputBox->addStyle(WS_HSCROLL);
    outputBox->singleLine();
    create(*outputBox, "", OutputBoxPlace);
    browseButton = makeCreated<PushButton>(window, "...", BrowsePlace);
    createLabel(*lengthLabel, "Length", LengthLabelPlace);
    lengthBox = std::make_unique<SimpleEdit>(window, true);
    lengthBox->singleLine();
    create(*lengthBox, "", LengthBoxPlace);
}

void MainControls::enableSourceCommands(bool flag) {
    for (PushButton* button : {convertButton.get(), optionButton.get(), playButton.get(), toTextButton.get()})
        button->enableControl(flag);
}

void MainControls::enableOutsidePlayback(bool flag) {
    for (PushButton* button :
         {convertButton.get(), optionButton.get(), toTextButton.get(), toMidiButton.get()})
        button->enableControl(flag);
}

int32_t MainControls::readLength() {
    char text[LengthTextSize] = {};
    lengthBox->getText(text, sizeof text);
    // atol's rule, held within a 32-bit long as it always was.
    const int32_t value = readDecimal(text, INT32_MIN, INT32_MAX);
    return value > 0 ? value : DefaultTuneLength;
}

void MainControls::showReport(const char* sourceName, const char* reportName) {
    if (reportCopy.size > static_cast<size_t>(LongestShownReport)) {
        char note[2 * VFILE::MaxPathLength + 128];
        std::snprintf(note, sizeof note, "[%s]%s\r\n%s..[%s].", sourceName, " Analysis Log too long.",
                      "Please look at the report file", reportName);
        reportBox->setText(note);
        return;
    }
    reportBox->setText(reportCopy.text.c_str());
}

void MainControls::showLength(int32_t length) {
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(length));
    lengthBox->setText(text);
}
