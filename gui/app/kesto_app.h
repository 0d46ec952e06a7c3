#pragma once
#include <cstdint>

#include "handset_settings.h"
#include "win_app.h"

struct ConvertedFile;

class EZMIDIPlayer;
class MainControls;

// The state of the one main window, process-wide: made by its creation and
// freed by the application's destructor.
extern int converted;  // 1 after a Convert: a further one only says "Already Converted"
extern int playing;    // 1 while the Play button reads "Stop"
extern EZMIDIPlayer* player;
extern MainControls* mainControls;
// What the Handset dialog set, kept in quavel.ini; every Convert and Play uses it.
extern HandsetSettings handsetSettings;

// The one main window of kesto: shows the analysis report of the loaded
// MIDI file and runs Convert, Option, Play/Stop, MID->TXT, TXT->MID and the
// output-file chooser; a dropped MIDI file is loaded.
class KestoApp : public WinApp {
public:
    explicit KestoApp(HINSTANCE moduleInstance) : WinApp(moduleInstance) {}

    // Runs when the frame deletes the application, after the window is gone.
    ~KestoApp() override;
    // Runs inside CreateWindowExA, once the window is bound to this object.
    void onCreate(HWND window) override;
    // Runs at WM_DESTROY, while the window and its controls still exist.
    void onDestroy(HWND window) override;
    // Runs for every WM_COMMAND: button clicks of the controls.
    void onCommand(HWND window, WPARAM wParam, LPARAM lParam) override;
    // Runs for WM_SIZE, after every change of the window's size.
    void onSize(HWND window, WPARAM kind, LPARAM size) override;
    // Runs when files are dropped on the window (only while drops are on).
    void onDropFiles(HWND window, HDROP drop) override;
    // Runs for messages without a hook of their own (the focus on activation,
    // the size limits, the end of playback, the end of the session); 0 lets
    // the default procedure answer.
    int onOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Loads and analyses sourcePath and shows the report; false when the
    // file could not be read or was refused, which leaves nothing to convert.
    bool loadSource();
    // Loads name in place of the loaded tune, once it is found readable and
    // a MIDI file; a refused file leaves the loaded tune, its report and its
    // settings as they were, and its box names it.
    bool loadInstead(const char* name);
    // The two halves of the Play button.
    void startPlayback();
    void stopPlayback();

private:
    void closePlayback();
    void followLevelFocus(WPARAM id);
    bool analyseLoadedSource();
    void convert();
    void convertToOutput();
    void convertOnce();
    // Converts to path with the window's and the handset settings; false
    // after a failure, which has been shown.
    bool convertWithHandset(const char* path, int32_t length, ConvertedFile& made);
    void chooseHandsetSettings(HWND window);
    void restoreHandsetSettings();
    // False when the box holds a name longer than a path may be.
    bool takeOutputPath();
    void takeLength();
    void toggleNoTimeDetect();
    void importAndLoad();
    void chooseOutputFile();
    void acceptDrops(bool flag);
    void keepControlsShown(MINMAXINFO& limits);
};
