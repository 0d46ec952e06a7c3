#include "kesto_app.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app_profile.h"
#include "base/result.h"
#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "dialog_keys.h"
#include "ez_midi_player.h"
#include "handset_dialog.h"
#include "job/converted_file.h"
#include "job/finding_lines.h"
#include "job/process_records.h"
#include "main_controls.h"
#include "message_boxes.h"
#include "option_dialog.h"
#include "pass/file_pass.h"
#include "program_folder.h"
#include "report/analysis_report.h"
#include "smf/target_file.h"
#include "smf/vfile.h"
#include "startup.h"
#include "text_commands.h"
#include "text_copy.h"

int converted = 0;
int playing = 0;
EZMIDIPlayer* player = nullptr;
MainControls* mainControls = nullptr;
HandsetSettings handsetSettings;

namespace {
const char MidiEnding[] = "mid";
const char CannotOpenSource[] = "Cannot open source file";
// "Converted to [path]" with the two settings: room for a whole path.
constexpr int ConfirmTextSize = PathSize + 96;

void takeDetectLevel() {
    ConvertOptions.detectLevel = mainControls->levelGroup->selectedIndex;
}

const char ProfileGone[] = "Profile [%s] is gone; it is no longer checked.";

// The names joined as the confirmation lists them.
std::string joinedNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

void showHandsetSettings() {
    mainControls->showHandsetLine(handsetSettings.summary(installedProfileFolder()));
}

// A refused file's box: why, then which file.
std::string refusalText(const char* message, const char* name) {
    return std::string(message) + "\n[" + name + "]";
}
}  // namespace

KestoApp::~KestoApp() {
    // An application that never made its window owns none of the window's objects.
    if (appWindow == nullptr) return;
    // Closed with the window as a rule; here only when the object goes first.
    closePlayback();
    delete mainControls;
    mainControls = nullptr;
    delete player;
    player = nullptr;
}

void KestoApp::onCreate(HWND window) {
    playing = 0;
    mainControls = new MainControls(window);
    player = new EZMIDIPlayer;
    player->setFile(playPath);
    loadSource();
    restoreHandsetSettings();
    mainControls->outputBox->setText(outputPath);
    converted = 0;
    acceptDrops(true);
}

void KestoApp::onDestroy(HWND window) {
    // "Close FILE" makes the sequencer post a late notice to its callback
    // window: while that window exists the notice dies with it, where later
    // its handle (of which Wine keeps only the low word) may name another
    // window, and the sequencer would outlive the window it reports to.
    closePlayback();
    WinApp::onDestroy(window);
}

void KestoApp::closePlayback() {
    if (playing && player != nullptr) player->close();
    playing = 0;
}

bool KestoApp::loadSource() {
    ConvertOptions.clearChannelChoices();
    if (!inputFile.load(sourcePath)) {
        showNotice(CannotOpenSource);
        mainControls->enableSourceCommands(false);
        return false;
    }
    return analyseLoadedSource();
}

bool KestoApp::loadInstead(const char* name) {
    VFILE candidate;
    if (!candidate.load(name)) {
        showNotice(refusalText(CannotOpenSource, name).c_str());
        return false;
    }
    const Result checked = checkHeaderOf(candidate);
    if (checked.failed()) {
        showKestoError(refusalText(checked.message(), name).c_str());
        return false;
    }
    inputFile.swap(candidate);
    copyText(sourcePath, name);
    ConvertOptions.clearChannelChoices();
    return analyseLoadedSource();
}

bool KestoApp::analyseLoadedSource() {
    const Result analysed = reportLoadedFile(sourcePath, reportPath, ConvertOptions.analysedLength);
    passOnFailure(analysed);
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    mainControls->showReport(sourcePath, reportPath);
    mainControls->showLength(ConvertOptions.tuneLength);
    // A refused file stays loaded but must not be converted, played or exported.
    if (analysed.failed()) {
        mainControls->enableSourceCommands(false);
        return false;
    }
    return true;
}

void KestoApp::onCommand(HWND window, WPARAM wParam, LPARAM) {
    MainControls& controls = *mainControls;
    if (HIWORD(wParam) == BN_SETFOCUS) {
        followLevelFocus(LOWORD(wParam));
    } else if (controls.levelGroup->handleCommand(wParam)) {
        converted = 0;
    } else if (controls.convertButton->hasId(wParam)) {
        convert();
    } else if (controls.optionButton->hasId(wParam)) {
        // A Convert after changed channel settings must not answer "Already Converted".
        if (runOptionDialog(instance, window)) converted = 0;
    } else if (controls.handsetButton->hasId(wParam)) {
        chooseHandsetSettings(window);
    } else if (controls.noTimeDetectBox->hasId(wParam)) {
        toggleNoTimeDetect();
    } else if (controls.loadAfterBox->hasId(wParam)) {
        controls.loadAfterBox->setCheck(!controls.loadAfterBox->isChecked());
    } else if (controls.playButton->hasId(wParam)) {
        if (playing)
            stopPlayback();
        else
            startPlayback();
    } else if (controls.toTextButton->hasId(wParam)) {
        exportToText();
    } else if (controls.toMidiButton->hasId(wParam)) {
        importAndLoad();
    } else if (controls.browseButton->hasId(wParam)) {
        chooseOutputFile();
    }
}

// The arrow keys move the focus within the level group: the level follows
// it as a click would. Tab lands on the checked level, which changes nothing.
void KestoApp::followLevelFocus(WPARAM id) {
    RadioBtnWork& group = *mainControls->levelGroup;
    if (group.buttons[group.selectedIndex]->hasId(id) || !group.handleCommand(id)) return;
    converted = 0;
}

void KestoApp::convert() {
    acceptDrops(false);
    takeDetectLevel();
    if (takeOutputPath()) {
        takeLength();
        convertToOutput();
    }
    acceptDrops(true);
}

void KestoApp::convertToOutput() {
    if (outputPath[0] == '\0') return;
    if (refusesToWriteOver(outputPath, sourcePath)) return;
    if (converted)
        messageBox("Already Converted", "Confirm", MB_OK);
    else
        convertOnce();
}

void KestoApp::convertOnce() {
    // After a failure the error box has spoken and the window may be closing:
    // no confirmation, and the next Convert tries again.
    ConvertedFile made;
    if (!convertWithHandset(outputPath, ConvertOptions.tuneLength, made)) return;
    mainControls->showFindings(findingLines(made));
    char text[ConfirmTextSize];
    std::snprintf(text, sizeof text, "Converted to [%s]\nwith Delta_count=%ld\nDETECT Level=%d", outputPath,
                  static_cast<long>(ConvertOptions.tuneLength), static_cast<int>(ConvertOptions.detectLevel));
    std::string confirmation = text;
    // The file is written all the same, as the console writes it.
    const std::vector<std::string> misfits = profilesNotFitted(made);
    if (!misfits.empty()) confirmation += "\nDoes not fit: " + joinedNames(misfits);
    messageBox(confirmation.c_str(), "Confirm", MB_OK);
    converted = 1;
}

bool KestoApp::convertWithHandset(const char* path, int32_t length, ConvertedFile& made) {
    Job job = jobFromConvertOptions();
    // A profile may have changed on the disk since it was chosen.
    const Result ready = handsetSettings.addTo(job, installedProfileFolder());
    if (ready.failed()) {
        showKestoError(ready.message());
        return false;
    }
    return passOnFailure(convertLoadedFileFor(job, path, length, made));
}

void KestoApp::chooseHandsetSettings(HWND window) {
    HandsetDialog dialog(handsetSettings, installedProfileFolder());
    if (!dialog.run(instance, window)) return;
    converted = 0;
    handsetSettings.save(ProfileFileName);
    showHandsetSettings();
}

// The settings of the last run; a profile no longer there is dropped, once.
void KestoApp::restoreHandsetSettings() {
    std::vector<std::string> gone;
    handsetSettings = HandsetSettings::restore(ProfileFileName, installedProfileFolder(), gone);
    for (const std::string& name : gone) showNoticef(ProfileGone, name.c_str());
    if (!gone.empty()) handsetSettings.save(ProfileFileName);
    showHandsetSettings();
}

bool KestoApp::takeOutputPath() {
    SimpleEdit& box = *mainControls->outputBox;
    // A name cut to the path buffer would name another file.
    if (box.textLength() > PathSize - 1) {
        showKestoError("Output file name too long");
        return false;
    }
    char previous[PathSize];
    copyText(previous, outputPath);
    box.getText(outputPath, sizeof outputPath);
    if (std::strcmp(previous, outputPath) != 0) converted = 0;
    return true;
}

void KestoApp::takeLength() {
    const int32_t length = mainControls->readLength();
    if (length == ConvertOptions.tuneLength) return;
    converted = 0;
    ConvertOptions.tuneLength = length;
}

void KestoApp::toggleNoTimeDetect() {
    CheckBox& box = *mainControls->noTimeDetectBox;
    box.setCheck(!box.isChecked());
    const bool checked = box.isChecked();
    ConvertOptions.noTimeDetect = checked ? 1 : 0;
    mainControls->levelGroup->enableAll(!checked);
    converted = 0;
}

void KestoApp::importAndLoad() {
    if (!importFromText() || !mainControls->loadAfterBox->isChecked()) return;
    loadInstead(textMidiPath);
}

void KestoApp::chooseOutputFile() {
    if (!fileDialog.chooseFile("Select Output MIDI file", outputPath, "MIDI", false)) return;
    mainControls->outputBox->setText(outputPath);
    converted = 0;
}

void KestoApp::startPlayback() {
    takeDetectLevel();
    // A tune loaded from the playback file itself is not played over itself.
    if (refusesToWriteOver(playPath, sourcePath)) return;
    // This length serves this playback only: tuneLength and converted stay.
    ConvertedFile made;
    if (!convertWithHandset(playPath, mainControls->readLength(), made)) return;
    player->close();
    player->open();
    player->play(appWindow);
    // Whatever the commands answered: Stop then closes the alias in any case.
    player->isOpen = 1;
    mainControls->playButton->setText("Stop");
    playing = 1;
    acceptDrops(false);
    mainControls->enableOutsidePlayback(false);
}

void KestoApp::stopPlayback() {
    player->close();
    mainControls->playButton->setText("Play");
    playing = 0;
    acceptDrops(true);
    mainControls->enableOutsidePlayback(true);
}

void KestoApp::onDropFiles(HWND, HDROP drop) {
    // A drop that arrives while drops are off (during playback) must not load a new source.
    if (!acceptsDrops) {
        DragFinish(drop);
        return;
    }
    const std::string name = droppedFileEndingWith(drop, MidiEnding);
    if (name.empty() || !loadInstead(name.c_str())) return;
    mainControls->enableSourceCommands(true);
    converted = 0;
}

void KestoApp::onSize(HWND, WPARAM kind, LPARAM size) {
    // A minimised window has no client area to fit.
    if (kind == SIZE_MINIMIZED || mainControls == nullptr) return;
    mainControls->fitTo(LOWORD(size), HIWORD(size));
}

int KestoApp::onOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (keepFocusedControl(window, message, wParam)) return 1;
    if (message == WM_GETMINMAXINFO && mainControls != nullptr) {
        keepControlsShown(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 1;
    }
    // The session ends without the static destructors that free the lock.
    if (message == WM_ENDSESSION && wParam != FALSE) appProfile.releaseLock();
    // Only the end of the piece stops playback: Wine reports a Close late as "aborted".
    if (message == MM_MCINOTIFY && wParam == MCI_NOTIFY_SUCCESSFUL && playing)
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(mainControls->playButton->controlId), 0);
    return 0;
}

// The window cannot be made so small that a control is cut off.
void KestoApp::keepControlsShown(MINMAXINFO& limits) {
    RECT needed = mainControls->extent();
    AdjustWindowRectEx(&needed, static_cast<DWORD>(GetWindowLongA(appWindow, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(appWindow, GWL_EXSTYLE)));
    limits.ptMinTrackSize.x = needed.right - needed.left;
    limits.ptMinTrackSize.y = needed.bottom - needed.top;
}

void KestoApp::acceptDrops(bool flag) {
    DragAcceptFiles(appWindow, flag ? TRUE : FALSE);
    acceptsDrops = flag ? 1 : 0;
}
