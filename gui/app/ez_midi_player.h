#pragma once
#include <windows.h>

// The command-string entry of the platform's multimedia interface; tests put
// a recorder in its place.
using MciSendCall = MCIERROR(WINAPI*)(LPCSTR command, LPSTR answer, UINT answerSize, HWND callback);
extern MciSendCall mciSendCall;

constexpr int PlayerNameSize = 256;

// Plays one MIDI file through the MCI sequencer under the fixed alias FILE,
// so at most one file is open at a time.
class EZMIDIPlayer {
public:
    EZMIDIPlayer() = default;
    EZMIDIPlayer(const EZMIDIPlayer&) = delete;
    EZMIDIPlayer& operator=(const EZMIDIPlayer&) = delete;

    // Closes what is open and binds the player to name.
    void setFile(const char* name);
    // Opens fileName; the result is the MCI error code (0 on success).
    MCIERROR open();
    // Starts playing; callback receives MM_MCINOTIFY when playback ends.
    MCIERROR play(HWND callback);
    // Sends "Close FILE" when the alias is open, and marks it closed.
    void close();

    char fileName[PlayerNameSize] = {};
    // The file name is quoted, so room is left for it, the quotes and the words.
    char openCommand[PlayerNameSize + 32] = {};
    int isOpen = 0;
};
