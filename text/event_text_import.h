#pragma once
#include <cstdint>

#include "base/result.h"

// Reads the event text file at textPath and writes the Standard MIDI File it
// describes to midiPath, which is replaced only by a whole file. The failure
// says what stopped it: the text cannot be read, the MIDI file cannot be
// written, the text lacks its signature line, or a track (named by the line
// where it failed) cannot be made or does not fit its buffer.
Result importEventFile(const char* textPath, const char* midiPath);
// The same as 1 on success and 0 on failure.
int importEventText(const char* textPath, const char* midiPath);

// The bytes of one event text: "!" and a tempo in quarter notes per minute, or
// hexadecimal pairs, where a note event's second byte may be a note name or a
// percussion abbreviation. Stops after maximum bytes (0: no limit); out must
// hold that many bytes, and at least 6. Returns the count produced.
int32_t parseEventBytes(const char* text, uint8_t* out, int32_t maximum);

// 0 when text does not begin with a note name ("O5C", "o5c#", "O5Db"...);
// otherwise the note (low 8 bits) plus the characters used (3 or 4) << 8.
int parseNoteName(const char* text);

// The percussion note 35..81 whose abbreviation matches the first three
// characters of text, letters compared in upper case; 0 when none does.
int findDrumAbbreviation(const char* text);

// Ends line at its first CR or LF; returns the new length.
int32_t cutLineEnd(char* line);
