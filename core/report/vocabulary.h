#pragma once
#include <cstdint>

#include "report/text_appender.h"
#include "smf/midi_format.h"

// Fixed tables of the MIDI vocabulary and the lookups that turn numbers from
// events into words. Slot widths are fixed; lookups index by slot.
constexpr int InstrumentNameSlot = 32;
constexpr int DrumNameSlot = 32;
constexpr int DrumAbbreviationSlot = 8;
constexpr int ControllerNameSlot = 64;
constexpr int FirstDrumNote = 35;
constexpr int LastDrumNote = 81;
constexpr int DrumNoteCount = LastDrumNote - FirstDrumNote + 1;
// Channel index 9 (the tenth channel) carries percussion.
// Size of lookupBuffer and the least size of a caller's lookup buffer.
constexpr int LookupTextSize = 256;

extern const char GM_INSTRUMENT_NAMES[128][InstrumentNameSlot];
extern const char GM_DRUM_NAMES[DrumNoteCount][DrumNameSlot];
extern const char GM_DRUM_ABBREVIATIONS[DrumNoteCount][DrumAbbreviationSlot];
extern const char NOTE_LETTERS[13];
extern const char CONTROLLER_NAMES[128][ControllerNameSlot];
extern const char KEY_NAMES[63];

// Shared by the returning forms below: each call overwrites the previous text.
extern char lookupBuffer[LookupTextSize];

// Every note's name in both styles ("O5c" and "O5C#"), made once at compile
// time: the report names a note on almost every line.
struct NoteNameTable {
    static constexpr int Slot = 6;  // "O10G#" and NUL
    char text[2][128][Slot];
    uint8_t length[2][128];
};
extern const NoteNameTable NOTE_NAMES;

// Appender forms: the name is appended to text, cut where text is full. They
// are inline so that a describer's appender stays in registers.
inline const char* const UnknownName = "???";

inline void appendInstrumentName(TextAppender& text, int program) {
    text.text(program < 0 || program > 127 ? UnknownName : GM_INSTRUMENT_NAMES[program]);
}

inline void appendDrumName(TextAppender& text, int note) {
    text.text(note < FirstDrumNote || note > LastDrumNote ? UnknownName
                                                          : GM_DRUM_NAMES[note - FirstDrumNote]);
}

inline void appendNoteName(TextAppender& text, int note, int sharpStyle) {
    const int style = sharpStyle ? 1 : 0;
    const int n = note & 0x7F;
    text.text(NOTE_NAMES.text[style][n], NOTE_NAMES.length[style][n]);
}

inline void appendChannelNoteName(TextAppender& text, int channel, int note, int sharpStyle) {
    if (channel == PercussionChannel) return appendDrumName(text, note);
    appendNoteName(text, note, sharpStyle);
}

// "-" marks a controller without a name.
inline void appendControllerName(TextAppender& text, int controller) {
    const char* name = CONTROLLER_NAMES[controller & 0x7F];
    text.text(name[0] == '-' && name[1] == 0 ? UnknownName : name);
}

// Caller-buffer forms write into out (at least LookupTextSize characters) and
// return it.
char* instrumentName(int program, char* out);
char* drumName(int note, char* out);
char* noteName(int note, int sharpStyle, char* out);
char* channelNoteName(int channel, int note, int sharpStyle, char* out);
char* controllerName(int controller, char* out);
char* keyName(int sharpsFlats, int mode, char* out);

// Returning forms, into lookupBuffer.
const char* instrumentName(int program);
const char* channelNoteName(int channel, int note, int sharpStyle);
const char* controllerName(int controller);
const char* keyName(int sharpsFlats, int mode);

// Writes each byte as two upper-case hexadecimal digits and a blank ("%02X "),
// then a NUL: out must hold 3 * count + 1 characters. Returns 3 * count.
int32_t formatHexBytes(const uint8_t* bytes, int32_t count, char* out);

// 1 doubled n times in a wrapping 32-bit register (time-signature denominators).
int32_t powerOfTwo(int n);
