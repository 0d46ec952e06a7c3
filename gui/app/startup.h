#pragma once
#include "app_profile.h"
#include "file_dlg.h"

constexpr int PathSize = 256;
constexpr int MainClientWidth = 780;
constexpr int MainClientHeight = 475;
constexpr const char* KestoIconName = "QUAVELICON";

// Working paths, all in the start-up directory.
extern char workDir[PathSize];
extern char sourcePath[PathSize];
extern char outputPath[PathSize];
extern char reportPath[PathSize];
extern char playPath[PathSize];
extern char textPath[PathSize];
extern char textMidiPath[PathSize];

// The instance lock and the file dialogs of the process. kesto defines them
// as statics beside its entry point, so that the lock is claimed before it.
extern AppProfile appProfile;
extern FileDlg fileDialog;

// True when this process holds the lock, or takes it over because the
// command line is exactly "unlock"; otherwise the "Notice!" box says why not.
bool checkInstanceLock(const char* commandLine);

// Fills the working paths from the current directory, the dialogs' initial
// directory and their "MIDI" and "TEXT" filters.
void setUpPaths();

// "Quavel Version " and the project's version.
void formatWindowTitle(char* title, int size);

// The error box: text, caption "KESTO Error", one OK button, no owner.
void showKestoError(const char* text);
