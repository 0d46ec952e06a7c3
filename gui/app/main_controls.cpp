#include "main_controls.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "convert/convert_options.h"
#include "dialog_keys.h"
#include "report/analysis_report.h"
#include "report/decimal_text.h"
#include "smf/vfile.h"

namespace {
// The longest report shown as it is: as much as the analysis keeps. Of a
// longer one the box shows the lines within that much, after a note naming
// the report file.
constexpr std::size_t LongestShownReport = ReportCopy::DefaultKeepLimit;
// Controls that Tab stops at. Push buttons also say when they gain or lose
// the focus, so that the focused one can be the default button for Enter.
constexpr DWORD TabStop = WS_TABSTOP;
constexpr DWORD FocusedButton = WS_TABSTOP | BS_NOTIFY;
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
// The first free place in the button column, and the line in the gap below
// Play, no wider than the level buttons reach.
const ControlPlace HandsetPlace = {651, 220, 100, 29};
const ControlPlace HandsetLinePlace = {651, 292, 104, 56};

void create(GUIParts& control, const char* text, const ControlPlace& place) {
    control.createControl(text, place.x, place.y, place.width, place.height);
}

template <typename Kind>
std::unique_ptr<Kind> makeCreated(HWND window, const char* text, const ControlPlace& place,
                                  DWORD extraStyle) {
    auto control = std::make_unique<Kind>(window);
    control->addStyle(extraStyle);
    create(*control, text, place);
    return control;
}

void createLabel(Label& label, const char* text, const ControlPlace& place) {
    create(label, text, place);
    label.setFont(FontArial, LabelFontHeight, 0);
}
}  // namespace

MainControls::MainControls(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    startSize = {client.right, client.bottom};
    createButtons(window);
    noTimeDetectBox = makeCreated<CheckBox>(window, "NoTimeDet", NoTimeDetectPlace, TabStop);
    createLevelGroup(window);
    createReportAndFileBoxes(window);
    createHandsetControls(window);
    arrangeTabOrder();
}

// Made last, so that the other controls keep their ids.
void MainControls::createHandsetControls(HWND window) {
    handsetButton = makeCreated<PushButton>(window, "Handset", HandsetPlace, FocusedButton);
    handsetLine = std::make_unique<Label>(window);
    create(*handsetLine, "Handset: off", HandsetLinePlace);
    handsetLine->setFont(FontGothic, SmallFontHeight, 0);
}

void MainControls::createButtons(HWND window) {
    // Convert starts a group of its own: the arrow keys of the level group stop before it.
    convertButton = makeCreated<PushButton>(window, "Convert", ConvertPlace, FocusedButton | WS_GROUP);
    optionButton = makeCreated<PushButton>(window, "Option", OptionPlace, FocusedButton);
    playButton = makeCreated<PushButton>(window, "Play", PlayPlace, FocusedButton);
    toTextButton = makeCreated<PushButton>(window, "MID->TXT", ToTextPlace, FocusedButton);
    toMidiButton = makeCreated<PushButton>(window, "TXT->MID", ToMidiPlace, FocusedButton);
    loadAfterBox = makeCreated<CheckBox>(window, "Load after Cvt", LoadAfterPlace, TabStop);
    loadAfterBox->setFont(FontGothic, SmallFontHeight, 0);
}

void MainControls::createLevelGroup(HWND window) {
    levelGroup = std::make_unique<RadioBtnWork>(window);
    for (const char* text : {"DETECT Lv0", "DETECT Lv1", "DETECT Lv2"}) levelGroup->addButton(text);
    levelGroup->makeTabStop();
    // The level follows the focus that the arrow keys move.
    for (int i = 0; i < levelGroup->count; ++i) levelGroup->buttons[i]->addStyle(BS_NOTIFY);
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
    // A key pressed after Tab, which selects the whole report, must not replace it.
    reportBox->addStyle(TabStop | ES_READONLY);
    create(*reportBox, "", ReportBoxPlace);
    leaveTabToDialogManager(reportBox->handle());
    reportBox->setFont(FontGothic, SmallFontHeight, 0);
    reportBox->setStockBrush(WHITE_BRUSH);
    reportBox->setTextColour(0, 127, 0);
    createLabel(*outputLabel, "Output File", OutputLabelPlace);
    outputBox = std::make_unique<SimpleEdit>(window, true);
    // Both boxes scroll with the caret: a name longer than the box is typed whole.
    outputBox->addStyle(WS_HSCROLL | ES_AUTOHSCROLL | TabStop);
    outputBox->singleLine();
    create(*outputBox, "", OutputBoxPlace);
    browseButton = makeCreated<PushButton>(window, "...", BrowsePlace, FocusedButton);
    createLabel(*lengthLabel, "Length", LengthLabelPlace);
    lengthBox = std::make_unique<SimpleEdit>(window, true);
    lengthBox->addStyle(ES_AUTOHSCROLL | TabStop);
    lengthBox->singleLine();
    create(*lengthBox, "", LengthBoxPlace);
    // Enter in either box converts.
    setDefaultButtonFor(outputBox->handle(), convertButton->handle());
    setDefaultButtonFor(lengthBox->handle(), convertButton->handle());
}

// Tab follows the order of the child windows, which is the order of
// creation until changed here: the boxes first, then the settings, then the
// commands. Each label stays just before its box.
void MainControls::arrangeTabOrder() {
    HWND previous = HWND_TOP;
    for (GUIParts* control : inTabOrder()) {
        SetWindowPos(control->handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control->handle();
    }
}

std::vector<GUIParts*> MainControls::inTabOrder() const {
    return {reportLabel.get(),      reportBox.get(),        outputLabel.get(),      outputBox.get(),
            browseButton.get(),     lengthLabel.get(),      lengthBox.get(),        noTimeDetectBox.get(),
            levelGroup->buttons[0], levelGroup->buttons[1], levelGroup->buttons[2], convertButton.get(),
            optionButton.get(),     handsetButton.get(),    handsetLine.get(),      playButton.get(),
            toTextButton.get(),     toMidiButton.get(),     loadAfterBox.get()};
}

std::vector<MainControls::Placement> MainControls::layout() const {
    std::vector<Placement> placements = {
        {convertButton.get(), ConvertPlace, Follows::RightEdge},
        {optionButton.get(), OptionPlace, Follows::RightEdge},
        {playButton.get(), PlayPlace, Follows::RightEdge},
        {toTextButton.get(), ToTextPlace, Follows::RightEdge},
        {toMidiButton.get(), ToMidiPlace, Follows::RightEdge},
        {loadAfterBox.get(), LoadAfterPlace, Follows::RightEdge},
        {noTimeDetectBox.get(), NoTimeDetectPlace, Follows::RightEdge},
        {handsetButton.get(), HandsetPlace, Follows::RightEdge},
        {handsetLine.get(), HandsetLinePlace, Follows::RightEdge},
        {reportLabel.get(), ReportLabelPlace, Follows::Nothing},
        {reportBox.get(), ReportBoxPlace, Follows::BothEdges},
        {outputLabel.get(), OutputLabelPlace, Follows::BottomEdge},
        {outputBox.get(), OutputBoxPlace, Follows::BottomEdge},
        {browseButton.get(), BrowsePlace, Follows::BottomEdge},
        {lengthLabel.get(), LengthLabelPlace, Follows::BottomEdge},
        {lengthBox.get(), LengthBoxPlace, Follows::BottomEdge},
    };
    for (int i = 0; i < levelGroup->count; ++i) {
        ControlPlace place = LevelPlace;
        place.y += i * LevelButtonStep;
        placements.push_back({levelGroup->buttons[i], place, Follows::RightEdge});
    }
    return placements;
}

ControlPlace MainControls::placeAt(const Placement& placement, int dx, int dy) {
    ControlPlace place = placement.place;
    switch (placement.follows) {
        case Follows::Nothing:
            break;
        case Follows::RightEdge:
            place.x += dx;
            break;
        case Follows::BottomEdge:
            place.y += dy;
            break;
        case Follows::BothEdges:
            // Never less than nothing, whatever size the window is given.
            place.width = std::max(0, place.width + dx);
            place.height = std::max(0, place.height + dy);
            break;
    }
    return place;
}

void MainControls::fitTo(int clientWidth, int clientHeight) {
    const int dx = clientWidth - startSize.cx;
    const int dy = clientHeight - startSize.cy;
    for (const Placement& placement : layout()) {
        const ControlPlace place = placeAt(placement, dx, dy);
        // MoveWindow keeps the order of the windows, which is the Tab order.
        MoveWindow(placement.control->handle(), place.x, place.y, place.width, place.height, TRUE);
    }
}

RECT MainControls::extent() const {
    RECT extent = {0, 0, 0, 0};
    for (const Placement& placement : layout()) {
        const ControlPlace& place = placement.place;
        extent.right = std::max<LONG>(extent.right, place.x + place.width);
        extent.bottom = std::max<LONG>(extent.bottom, place.y + place.height);
    }
    return extent;
}

void MainControls::enableSourceCommands(bool flag) {
    for (PushButton* button : {convertButton.get(), optionButton.get(), playButton.get(), toTextButton.get()})
        button->enableControl(flag);
}

void MainControls::enableOutsidePlayback(bool flag) {
    for (PushButton* button : {convertButton.get(), optionButton.get(), handsetButton.get(),
                               toTextButton.get(), toMidiButton.get()})
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
    setReport(reportCopy.size > LongestShownReport ? longReportText(sourceName, reportName)
                                                   : reportCopy.text);
}

void MainControls::setReport(std::string text) {
    reportText = std::move(text);
    reportBox->setText(reportText.c_str());
}

void MainControls::showFindings(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    text += (lines.empty() ? "" : "\r\n") + reportText;
    reportBox->setText(text.c_str());
}

void MainControls::showHandsetLine(const std::string& text) {
    handsetLine->setText(text.c_str());
}

// The note naming the report file, a blank line, the whole lines of the
// report's first mebibyte, and where it was cut.
std::string MainControls::longReportText(const char* sourceName, const char* reportName) {
    char note[2 * VFILE::MaxPathLength + 128];
    std::snprintf(note, sizeof note, "[%s]%s\r\n%s..[%s].", sourceName, " Analysis Log too long.",
                  "Please look at the report file", reportName);
    std::string text = note;
    text += "\r\n\r\n";
    const std::string& kept = reportCopy.text;
    const std::size_t room = std::min(kept.size(), LongestShownReport);
    const std::size_t lastLineEnd = room < 2 ? std::string::npos : kept.rfind("\r\n", room - 2);
    const std::size_t shown = lastLineEnd == std::string::npos ? 0 : lastLineEnd + 2;
    text.append(kept, 0, shown);
    if (shown < reportCopy.size)
        text += std::string("(cut here; the whole report is in [") + reportName + "])";
    return text;
}

void MainControls::showLength(int32_t length) {
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(length));
    lengthBox->setText(text);
}
