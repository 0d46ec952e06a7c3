#pragma once
#include <string>

// MID->TXT: asks for an event text file and writes the loaded source to it.
// False when the dialog was cancelled or the text could not be written.
bool exportToText();

// TXT->MID: asks for an event text file and the MIDI file to build from it.
// False when a dialog was cancelled or the import failed.
bool importFromText();

// The name offered for the MIDI file built from textFile: its name without
// directory and extension, followed by ".mid".
std::string midiNameFor(const char* textFile);
