// kesto's process-wide lock and dialog objects, for the test program. The
// lock lives in a profile of the test's own folder, so that starting the
// tests never touches the real "quavel.ini".
#include "startup.h"

AppProfile appProfile(".\\gui_tests_lock.ini");
FileDlg fileDialog(nullptr);
