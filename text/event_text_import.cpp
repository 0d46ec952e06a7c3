#include "event_text_import.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/message_text.h"
#include "base/result.h"
#include "convert/hex_digits.h"
#include "event_text_format.h"
#include "report/decimal_text.h"
#include "report/vocabulary.h"
#include "smf/midi_format.h"
#include "smf/midi_track.h"
#include "smf/mtrk.h"
#include "smf/output_sink.h"
#include "smf/staged_output.h"

namespace {
constexpr int32_t MicrosecondsPerMinute = 60000000;
constexpr int TempoEventSize = 6;
constexpr int NoteNameLength = 3;
constexpr int DrumAbbreviationLength = 3;
// The track buffer is sized from the announced length, but never below this.
constexpr int32_t LeastTrackLength = 1024;
constexpr int32_t LargestTrackBuffer = INT32_MAX - 16;
constexpr uint8_t MTHD_START[8] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};

const char* const CannotRead = "Cannot read [%s]";
const char* const CannotWrite = "Cannot write [%s]";
const char* const NoSignature = "Line 1 is not %s";
const char* const NoTrackMemory = "Line %d: no memory for a track of %d bytes";
const char* const TrackFull = "Line %d: the track is larger than its buffer of %d bytes";

// The event text's numbers saturate symmetrically.
int32_t leadingDecimal(const char* text) {
    return readDecimal(text, -INT32_MAX, INT32_MAX);
}

bool startsWith(const char* line, const char* prefix) {
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

int32_t parseTempo(const char* number, uint8_t* out) {
    const int32_t perMinute = leadingDecimal(number);
    // 0 or no number defines no tempo: the text yields no event.
    if (perMinute == 0) return 0;
    const uint32_t microseconds = static_cast<uint32_t>(MicrosecondsPerMinute / perMinute) & 0xFFFFFF;
    std::memcpy(out, PATTERN_TEMPO, sizeof PATTERN_TEMPO);
    out[3] = static_cast<uint8_t>(microseconds >> 16);
    out[4] = static_cast<uint8_t>(microseconds >> 8);
    out[5] = static_cast<uint8_t>(microseconds);
    return TempoEventSize;
}

enum class NoteNaming { None, Name, Drum };

// Note-off and note-on events may name their note; channel index 9 by
// percussion abbreviation.
NoteNaming namingAfterStatus(uint8_t status) {
    if (!isNoteStatus(status)) return NoteNaming::None;
    return statusChannel(status) == PercussionChannel ? NoteNaming::Drum : NoteNaming::Name;
}

// Characters used by a note name or abbreviation at text, 0 for none.
int namedNoteAt(const char* text, NoteNaming naming, uint8_t& note) {
    if (naming == NoteNaming::Drum) {
        const int drum = findDrumAbbreviation(text);
        note = static_cast<uint8_t>(drum);
        return drum != 0 ? DrumAbbreviationLength : 0;
    }
    if (naming == NoteNaming::Name) {
        const int parsed = parseNoteName(text);
        note = static_cast<uint8_t>(parsed & 0xFF);
        return parsed >> 8;
    }
    return 0;
}

int noteLetterPosition(char letter) {
    const char* found = letter != '\0' ? std::strchr(NOTE_LETTERS, letter) : nullptr;
    return found != nullptr ? static_cast<int>(found - NOTE_LETTERS) : -1;
}

int accidentalStep(char accidental) {
    if (accidental == '#' || accidental == '+') return 1;
    if (accidental == 'b' || accidental == '-') return -1;
    return 0;
}

bool matchesAbbreviation(const char* text, const char* abbreviation) {
    for (int k = 0; k < DrumAbbreviationLength; ++k) {
        const char c = text[k];
        if (c == '\0') return false;
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != abbreviation[k]) return false;
    }
    return true;
}

// The whole text file in memory, read before the MIDI file is created: so an
// output path naming the text file itself cannot wipe the text being read.
bool readWholeText(const char* path, std::string& text) {
    FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) return false;
    char block[4096];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, stream)) > 0) text.append(block, got);
    const bool complete = std::ferror(stream) == 0;
    std::fclose(stream);
    return complete;
}

// Hands out the lines of the text one at a time, each with at most
// LineBufferSize - 1 characters; the rest of a longer line is dropped, so it
// can never pass for a line of its own.
class TextLines {
public:
    explicit TextLines(const std::string& whole) : text(whole) {}

    bool next(char* line) {
        if (position >= text.size()) return false;
        const size_t newline = text.find('\n', position);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        const size_t copied = std::min(end - position, static_cast<size_t>(LineBufferSize - 1));
        std::memcpy(line, text.data() + position, copied);
        line[copied] = '\0';
        position = end;
        return true;
    }

private:
    const std::string& text;
    size_t position = 0;
};

bool isSignatureLine(const char* line) {
    const size_t length = std::strlen(EVENT_TEXT_SIGNATURE);
    if (std::strncmp(line, EVENT_TEXT_SIGNATURE, length) != 0) return false;
    return std::strcmp(line + length, "\n") == 0 || std::strcmp(line + length, "\r\n") == 0;
}

bool hasDigit(const char* text, int count) {
    return std::any_of(text, text + count, [](char c) { return c >= '0' && c <= '9'; });
}

// The event text of an event line, or nullptr for any other line. The delta
// time is cut off in line itself. Column 8 holds the colon; a delta time of
// eight digits or more (10000000 ticks and up) pushes it further right.
const char* eventTextOf(char* line) {
    if (std::strlen(line) > DeltaColumns && line[DeltaColumns] == ':' && hasDigit(line, DeltaColumns)) {
        line[DeltaColumns] = '\0';
        return line + EventTextColumn;
    }
    const size_t digits = std::strspn(line, "0123456789");
    if (digits <= DeltaColumns || line[digits] != ':') return nullptr;
    line[digits] = '\0';
    return line + digits + 1;
}

// Bytes a track's buffer gets. An event line never yields more bytes than it
// has characters, so no track outgrows the size of the whole text: a larger
// buffer would stay unused, and a hand-edited length cannot ask for gigabytes.
int32_t trackBufferSize(int32_t announced, size_t textSize) {
    const int64_t asked = static_cast<int64_t>(std::max(announced, LeastTrackLength)) * 2;
    const int64_t filled = std::max<int64_t>(static_cast<int64_t>(std::min<size_t>(textSize, INT32_MAX)), 1);
    return static_cast<int32_t>(std::min({asked, filled, static_cast<int64_t>(LargestTrackBuffer)}));
}

// The line-by-line reading after the signature: the three header lines, then
// track blocks, each "-T:" ... "-TE", whose events go through a running-status
// track builder. Writes to the MIDI file fail as writeFailure says.
class EventTextImport {
public:
    EventTextImport(OutputSink& output, size_t size, const Result& writeFailure)
        : midi(output), textSize(size), cannotWrite(writeFailure) {
        track.runningStatusMode = 1;
    }

    // Line number is the 1-based place of line in the text.
    Result handle(char* line, int number) {
        lineNumber = number;
        switch (state) {
            case State::WaitFormat:
                return handleHeader(line, FORMAT_PREFIX);
            case State::WaitTrackCount:
                return handleHeader(line, TRACK_COUNT_PREFIX);
            case State::WaitDivision:
                return handleHeader(line, DIVISION_PREFIX);
            case State::BetweenTracks:
                return handleTrackStart(line);
            case State::InTrack:
                return handleTrackLine(line);
        }
        return Result::success();
    }

    // A track still open at the end of the text is written too, rather than
    // losing its events.
    Result finish() { return state != State::InTrack ? Result::success() : writeTrack(); }

private:
    enum class State { WaitFormat, WaitTrackCount, WaitDivision, BetweenTracks, InTrack };

    Result handleHeader(const char* line, const char* prefix) {
        if (!startsWith(line, prefix) || parseEventBytes(line + PrefixLength, bytes, 2) != 2)
            return Result::success();
        state = static_cast<State>(static_cast<int>(state) + 1);
        return midi.write(bytes, 2) ? Result::success() : cannotWrite;
    }

    Result handleTrackStart(const char* line) {
        if (!startsWith(line, TRACK_START_PREFIX)) return Result::success();
        const int32_t size = trackBufferSize(leadingDecimal(line + PrefixLength), textSize);
        if (!track.init(size)) return Result::failure(messageText(NoTrackMemory, {lineNumber, size}));
        state = State::InTrack;
        return Result::success();
    }

    Result handleTrackLine(char* line) {
        if (startsWith(line, TRACK_END_PREFIX)) {
            state = State::BetweenTracks;
            return writeTrack();
        }
        const char* text = eventTextOf(line);
        if (text == nullptr) return Result::success();
        const int32_t count = parseEventBytes(text, bytes, EventByteLimit);
        // A line without an event is skipped: no delta time is written alone.
        if (count == 0 || track.append(leadingDecimal(line), bytes, count) == 1) return Result::success();
        return Result::failure(messageText(TrackFull, {lineNumber, track.requested}));
    }

    Result writeTrack() { return track.writeTo(&midi) == 1 ? Result::success() : cannotWrite; }

    OutputSink& midi;
    size_t textSize;
    Result cannotWrite;
    State state = State::WaitFormat;
    int lineNumber = 0;
    MIDITrack track;
    uint8_t bytes[EventByteLimit] = {};
};

Result importLines(const std::string& text, OutputSink& midi, const Result& cannotWrite) {
    TextLines lines(text);
    char line[LineBufferSize];
    if (!lines.next(line) || !isSignatureLine(line))
        return Result::failure(messageText(NoSignature, {EVENT_TEXT_SIGNATURE}));
    if (!midi.write(MTHD_START, sizeof MTHD_START)) return cannotWrite;
    EventTextImport import(midi, text.size(), cannotWrite);
    for (int number = 2; lines.next(line); ++number) {
        cutLineEnd(line);
        const Result handled = import.handle(line, number);
        if (handled.failed()) return handled;
    }
    return import.finish();
}
}  // namespace

Result importEventFile(const char* textPath, const char* midiPath) {
    if (textPath == nullptr || midiPath == nullptr) return Result::failure("no file named");
    std::string text;
    if (!readWholeText(textPath, text)) return Result::failure(messageText(CannotRead, {textPath}));
    const Result cannotWrite = Result::failure(messageText(CannotWrite, {midiPath}));
    // A failed import leaves the previous MIDI file as it was.
    StagedOutput midi;
    if (!midi.open(midiPath, WriteOrder::Sequential)) return cannotWrite;
    const Result imported = importLines(text, midi, cannotWrite);
    if (imported.failed()) return imported;
    return midi.commit() ? Result::success() : cannotWrite;
}

int importEventText(const char* textPath, const char* midiPath) {
    return importEventFile(textPath, midiPath).ok() ? 1 : 0;
}

int32_t parseEventBytes(const char* text, uint8_t* out, int32_t maximum) {
    if (text == nullptr) return 0;
    if (text[0] == '!') return parseTempo(text + 1, out);
    int32_t count = 0;
    NoteNaming naming = NoteNaming::None;
    const char* p = text;
    while (*p != '\0') {
        uint8_t note = 0;
        const int used = count == 1 ? namedNoteAt(p, naming, note) : 0;
        if (used > 0) {
            out[count++] = note;
            p += used;
        } else if (isHexDigit(p[0]) && isHexDigit(p[1])) {
            out[count++] = static_cast<uint8_t>(hexByteValue(p[0], p[1]));
            if (count == 1) naming = namingAfterStatus(out[0]);
            p += 2;
        } else {
            ++p;  // every other character only separates
        }
        if (maximum > 0 && count >= maximum) return count;
    }
    return count;
}

int parseNoteName(const char* text) {
    if (text == nullptr || (text[0] != 'O' && text[0] != 'o')) return 0;
    if (text[1] < '0' || text[1] > '9') return 0;
    // Lower-case "b" and "e" are not in the letters: B and E have no sharp.
    const int position = noteLetterPosition(text[2]);
    if (position < 0) return 0;
    const int step = accidentalStep(text[3]);
    const int note = ((text[1] - '0') * 12 + position + step) & 0xFF;
    const int length = NoteNameLength + (step != 0 ? 1 : 0);
    return note | length << 8;
}

int findDrumAbbreviation(const char* text) {
    if (text == nullptr) return 0;
    for (int note = FirstDrumNote; note <= LastDrumNote; ++note) {
        if (matchesAbbreviation(text, GM_DRUM_ABBREVIATIONS[note - FirstDrumNote])) return note;
    }
    return 0;
}

int32_t cutLineEnd(char* line) {
    const size_t length = std::strcspn(line, "\r\n");
    line[length] = '\0';
    return static_cast<int32_t>(length);
}
