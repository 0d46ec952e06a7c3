#include "ez_midi_player.h"

#include <cstdio>

#include "text_copy.h"

MciSendCall mciSendCall = mciSendStringA;

namespace {
MCIERROR sendCommand(const char* command, HWND callback = nullptr) {
    return mciSendCall(command, nullptr, 0, callback);
}
}  // namespace

void EZMIDIPlayer::setFile(const char* name) {
    close();
    copyText(fileName, name);
    // Quoted, so that a path with blanks (a start folder such as "My Music") still names one file.
    std::snprintf(openCommand, sizeof openCommand, "Open \"%s\" Alias FILE", fileName);
    isOpen = 0;
}

MCIERROR EZMIDIPlayer::open() {
    return sendCommand(openCommand);
}

MCIERROR EZMIDIPlayer::play(HWND callback) {
    return sendCommand("Play FILE notify", callback);
}

void EZMIDIPlayer::close() {
    if (!isOpen) return;
    sendCommand("Close FILE");
    isOpen = 0;
}
