// The entry point of kesto and the statics whose construction claims the
// instance lock before it. Tests link the rest of the application, not this.
#include <windows.h>

#include "convert/convert_options.h"
#include "frame_window.h"
#include "job/process_records.h"
#include "kesto_app.h"
#include "startup.h"

AppProfile appProfile;
FileDlg fileDialog(nullptr);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    auto* app = new KestoApp(instance);
    FrameWindow frame(app, "", KestoIconName, previous, showCommand);
    if (!checkInstanceLock(commandLine)) return 1;
    freeLockOnAbnormalEnd();
    resetConvertOptions();
    setUpPaths();
    char title[64];
    formatWindowTitle(title, sizeof title);
    return frame.run(title, MainClientWidth, MainClientHeight);
}
