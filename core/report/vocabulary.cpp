#include "report/vocabulary.h"

#include <cstring>

#include "convert/hex_digits.h"
#include "report/text_appender.h"

// The tables are laid out by hand, in rows that follow the numbering.
// clang-format off
const char GM_INSTRUMENT_NAMES[128][InstrumentNameSlot] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)", "Electric Guitar (clean)",
    "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "SynthStrings 1", "SynthStrings 2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "SynthBrass 1", "SynthBrass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new_age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
    "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

const char GM_DRUM_NAMES[DrumNoteCount][DrumNameSlot] = {
    "Acoustic Bass Drum", "Bass Drum 1", "Side Stick", "Acoustic Snare", "Hand Clap",           // 35
    "Electric Snare", "Low Floor Tom", "Closed Hi Hat", "High Floor Tom", "Pedal Hi-Hat",       // 40
    "Low Tom", "Open Hi-Hat", "Low-Mid Tom", "Hi Mid Tom", "Crash Cymbal 1",                    // 45
    "High Tom", "Ride Cymbal 1", "Chinese Cymbal", "Ride Bell", "Tambourine",                   // 50
    "Splash Cymbal", "Cowbell", "Crash Cymbal 2", "Vibraslap", "Ride Cymbal 2",                 // 55
    "Hi Bongo", "Low Bongo", "Mute Hi Conga", "Open Hi Conga", "Low Conga",                     // 60
    "High Timbale", "Low Timbale", "High Agogo", "Low Agogo", "Cabasa",                         // 65
    "Maracas", "Short Whistle", "Long Whistle", "Short Guiro", "Long Guiro",                    // 70
    "Claves", "Hi Wood Block", "Low Wood Block", "Mute Cuica", "Open Cuica",                    // 75
    "Mute Triangle", "Open Triangle",                                                           // 80
};

const char GM_DRUM_ABBREVIATIONS[DrumNoteCount][DrumAbbreviationSlot] = {
    "ABD", "BD1", "SST", "ASN", "HCP", "ESN", "LFT", "CHH", "HFT", "PHH",  // 35
    "LTM", "OHH", "LMT", "HMT", "CC1", "HTM", "RC1", "CCM", "RBL", "TBR",  // 45
    "SCM", "CBL", "CC2", "VBS", "RC2", "HBG", "LBG", "MHC", "OHC", "LCG",  // 55
    "HTB", "LTB", "HAG", "LAG", "CBS", "MRC", "SWS", "LWS", "SGR", "LGR",  // 65
    "CLV", "HWB", "LWB", "MCU", "OCU", "MTR", "OTR",                       // 75
};

constexpr char NOTE_LETTERS[13] = "CcDdEFfGgAaB";

// "-" marks a controller without a name. Trailing blanks belong to the texts.
const char CONTROLLER_NAMES[128][ControllerNameSlot] = {
    "Bank Select", "Modulation Wheel or Lever", "Breath Controller", "Undefined",                  // 0
    "Foot Controller", "Portamento Time", "Data Entry MSB", "Channel Volume ",                      // 4
    "Balance", "-", "-", "Expression Controller",                                                  // 8
    "Effect Control 1", "Effect Control 2", "-", "-",                                              // 12
    "General Purpose Controller 1", "General Purpose Controller 2",                                // 16
    "General Purpose Controller 3", "General Purpose Controller 4",                                // 18
    "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-",                                    // 20
    "LSB for Control 0 ", "LSB for Control 1 ", "LSB for Control 2 ", "LSB for Control 3 ",        // 32
    "LSB for Control 4 ", "LSB for Control 5 ", "LSB for Control 6 ", "LSB for Control 7 ",        // 36
    "LSB for Control 8 ", "LSB for Control 9 ", "LSB for Control 10 ", "LSB for Control 11 ",      // 40
    "LSB for Control 12 ", "LSB for Control 13 ", "LSB for Control 14 ", "LSB for Control 15 ",    // 44
    "LSB for Control 16 ", "LSB for Control 17 ", "LSB for Control 18 ", "LSB for Control 19 ",    // 48
    "LSB for Control 20 ", "LSB for Control 21 ", "LSB for Control 22 ", "LSB for Control 23 ",    // 52
    "LSB for Control 24 ", "LSB for Control 25 ", "LSB for Control 26 ", "LSB for Control 27 ",    // 56
    "LSB for Control 28 ", "LSB for Control 29 ", "LSB for Control 30 ", "LSB for Control 31 ",    // 60
    "Damper Pedal on/off ", "Portamento On/Off", "Sustenuto On/Off", "Soft Pedal On/Off",          // 64
    "Legato Footswitch", "Hold 2",                                                                 // 68
    "Sound Controller 1 ", "Sound Controller 2 ", "Sound Controller 3 ", "Sound Controller 4 ",    // 70
    "Sound Controller 5 ", "Sound Controller 6 ", "Sound Controller 7 ", "Sound Controller 8 ",    // 74
    "Sound Controller 9 ", "Sound Controller 10 ",                                                 // 78
    "General Purpose Controller 5", "General Purpose Controller 6",                                // 80
    "General Purpose Controller 7", "General Purpose Controller 8",                                // 82
    "Portamento Control", "-", "-", "-", "-", "-", "-",                                            // 84
    "Effects 1 Depth", "Effects 2 Depth ", "Effects 3 Depth", "Effects 4 Depth ",                  // 91
    "Effects 5 Depth ", "Data Increment ", "Data Decrement ", "NRPN - LSB", "NRPN - MSB",          // 95
    "RPN - LSB*", "RPN - MSB*",                                                                    // 100
    "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-",      // 102
    "[CMM] All Sound Off", "[CMM] Reset All Controllers",                                          // 120
    "[CMM] Local Control On/Off", "[CMM] All Notes Off",                                           // 122
    "[CMM] Omni Mode Off ", "[CMM] Omni Mode On ",                                                 // 124
    "[CMM] Poly Mode On/Off ", "[CMM] Poly Mode On ",                                              // 126
};
// clang-format on

const char KEY_NAMES[63] = "CbGbDbAbEbBbF-C-G-D-A-E-B-F#C#  AbEbBbF-C-G-D-A-E-B-F#C#G#D#A#";

char lookupBuffer[LookupTextSize];

namespace {
constexpr bool isSharpLetter(char letter) {
    return letter >= 'a' && letter <= 'z';
}

constexpr void setNoteName(NoteNameTable& table, int style, int note) {
    const char letter = NOTE_LETTERS[note % 12];
    const int octave = note / 12;
    char* name = table.text[style][note];
    int n = 0;
    name[n++] = 'O';
    if (octave >= 10) name[n++] = static_cast<char>('0' + octave / 10);
    name[n++] = static_cast<char>('0' + octave % 10);
    if (style == 1 && isSharpLetter(letter)) {
        name[n++] = static_cast<char>(letter - 'a' + 'A');
        name[n++] = '#';
    } else {
        name[n++] = letter;
    }
    table.length[style][note] = static_cast<uint8_t>(n);
}

constexpr NoteNameTable makeNoteNames() {
    NoteNameTable table{};
    for (int style = 0; style < 2; ++style) {
        for (int note = 0; note < 128; ++note) setNoteName(table, style, note);
    }
    return table;
}

constexpr int MinorKeyOffset = 32;
constexpr int MaxAccidentals = 7;

// The caller-buffer forms: the appender form's text in out.
template <class Append, class... Values>
char* nameInto(char* out, Append append, Values... values) {
    TextAppender text(out, LookupTextSize);
    append(text, values...);
    return out;
}
}  // namespace

constexpr NoteNameTable NOTE_NAMES = makeNoteNames();

char* instrumentName(int program, char* out) {
    return nameInto(out, appendInstrumentName, program);
}

char* drumName(int note, char* out) {
    return nameInto(out, appendDrumName, note);
}

char* noteName(int note, int sharpStyle, char* out) {
    return nameInto(out, appendNoteName, note, sharpStyle);
}

char* channelNoteName(int channel, int note, int sharpStyle, char* out) {
    return nameInto(out, appendChannelNoteName, channel, note, sharpStyle);
}

char* controllerName(int controller, char* out) {
    return nameInto(out, appendControllerName, controller);
}

char* keyName(int sharpsFlats, int mode, char* out) {
    const int8_t count = static_cast<int8_t>(sharpsFlats & 0xFF);
    if (count < -MaxAccidentals || count > MaxAccidentals) {
        std::memcpy(out, "?? ", 3);
    } else {
        const int position = 2 * (count + MaxAccidentals) + (mode == 0 ? 0 : MinorKeyOffset);
        out[0] = KEY_NAMES[position];
        out[1] = KEY_NAMES[position + 1] == '-' ? ' ' : KEY_NAMES[position + 1];
        out[2] = ' ';
    }
    TextAppender(out + 3, LookupTextSize - 3).text(mode == 0 ? "major" : "minor");
    return out;
}

const char* instrumentName(int program) {
    return instrumentName(program, lookupBuffer);
}
const char* channelNoteName(int channel, int note, int sharpStyle) {
    return channelNoteName(channel, note, sharpStyle, lookupBuffer);
}
const char* controllerName(int controller) {
    return controllerName(controller, lookupBuffer);
}
const char* keyName(int sharpsFlats, int mode) {
    return keyName(sharpsFlats, mode, lookupBuffer);
}

int32_t powerOfTwo(int n) {
    uint32_t value = 1;
    for (int k = 0; k < n && value != 0; ++k) value <<= 1;
    return static_cast<int32_t>(value);
}

int32_t formatHexBytes(const uint8_t* bytes, int32_t count, char* out) {
    char* cursor = out;
    for (int32_t k = 0; k < count; ++k) {
        *cursor++ = UpperHexDigits[bytes[k] >> 4];
        *cursor++ = UpperHexDigits[bytes[k] & 0x0F];
        *cursor++ = ' ';
    }
    *cursor = 0;
    return static_cast<int32_t>(cursor - out);
}
