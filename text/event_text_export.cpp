#include "event_text_export.h"

#include <cstdint>

#include "event_text_format.h"
#include "file_pass.h"
#include "mtrk.h"
#include "output_sink.h"
#include "smf_header.h"
#include "staged_output.h"
#include "streamed_text.h"
#include "text_appender.h"
#include "vfile.h"
#include "vocabulary.h"

namespace {
// Notes 120..127 have no name of their own in the text (octave 10).
constexpr int FirstUnnamedNote = 120;
// The longest piece written at once: an event line's delta, its hex bytes
// (a note event's name included) and the line end.
constexpr int32_t PieceSize = 128;
// Bytes of a long event written as hex at once.
constexpr int32_t HexBytesPerPiece = 256;

// Event text pieces, formatted straight into the streamed output's buffer.
class TextOutput {
public:
    explicit TextOutput(OutputSink& sink) : stream(&sink) {}

    // Room for a piece of up to PieceSize characters and its NUL.
    TextAppender piece() { return TextAppender(stream.room(PieceSize), PieceSize + 1); }
    void take(const TextAppender& piece) { stream.take(piece.size()); }

    // A fixed text of the format, at most PieceSize characters.
    void text(const char* s) {
        TextAppender written = piece();
        take(written.text(s));
    }
    void line(const char* s) {
        text(s);
        text(LINE_END);
    }

    void hexBytes(const uint8_t* bytes, int32_t count) {
        for (int32_t done = 0; done < count; done += HexBytesPerPiece) {
            const int32_t n = count - done < HexBytesPerPiece ? count - done : HexBytesPerPiece;
            char* const to = stream.room(3 * n);
            stream.take(formatHexBytes(bytes + done, n, to));
        }
    }

    bool flush() { return stream.flush(); }

private:
    StreamedText stream;
};

void endLineIf(TextOutput& out, bool endLine) {
    if (endLine) out.text(LINE_END);
}

void appendHexByte(TextAppender& piece, int value) {
    piece.hexByte(static_cast<uint32_t>(value)).character(' ');
}

// Status, note name (or percussion abbreviation, or hex) and velocity, each
// followed by a blank.
void appendNoteEvent(TextAppender& piece, const uint8_t* event) {
    appendHexByte(piece, event[0]);
    const int note = event[1] & 0x7F;
    if ((event[0] & 0x0F) == PercussionChannel && note >= FirstDrumNote && note <= LastDrumNote) {
        piece.text(GM_DRUM_ABBREVIATIONS[note - FirstDrumNote]).character(' ');
    } else if ((event[0] & 0x0F) != PercussionChannel && note < FirstUnnamedNote) {
        appendNoteName(piece, note, 1);
        piece.character(' ');
    } else {
        appendHexByte(piece, note);
    }
    appendHexByte(piece, event[2]);
}

void writeHeaderField(TextOutput& out, const char* prefix, const uint8_t* field, const char* remark) {
    out.text(prefix);
    out.hexBytes(field, 2);
    out.line(remark);
}

void writeHeaderLines(TextOutput& out, const uint8_t* header) {
    out.line(EVENT_TEXT_SIGNATURE);
    writeHeaderField(out, FORMAT_PREFIX, header + 8, "# MIDI-Format");
    writeHeaderField(out, TRACK_COUNT_PREFIX, header + 10, "# Track-Number");
    writeHeaderField(out, DIVISION_PREFIX, header + 12, "# DTime");
}

// The beat grid of one track, on the clock of its note events only. Kept in 64
// bits so that no sum of delta times wraps; marks past the largest 32-bit time
// are not written, and the grid is advanced by arithmetic, never by a loop.
class BeatGrid {
public:
    // True for the first note event of the track.
    bool startsNotes() {
        if (noteTime != 0 || nextMark != 0) return false;
        nextMark = BEAT_MARK_STEP;
        return true;
    }

    void advance(int32_t delta) { noteTime += delta; }

    // True when the note time has just reached a grid point not marked before.
    bool reachedMark() {
        if (nextMark > noteTime) return false;
        nextMark = (noteTime + BEAT_MARK_STEP - 1) / BEAT_MARK_STEP * BEAT_MARK_STEP;
        if (nextMark != noteTime) return false;
        nextMark += BEAT_MARK_STEP;
        return noteTime <= INT32_MAX;
    }

    void writeMark(TextOutput& out) const {
        const char* rule = noteTime % BAR_MARK_STEP == 0 ? "==" : "--";
        TextAppender mark = out.piece();
        mark.text("# ").text(rule).character(' ').decimal(static_cast<int32_t>(noteTime)).character(' ');
        out.take(mark.text(rule).text(LINE_END));
    }

private:
    int64_t noteTime = 0;
    int64_t nextMark = 0;
};

// "%7d:", the event line's start.
void appendDelta(TextAppender& piece) {
    piece.decimalRightAligned(trackReader.delta, DeltaColumns).character(':');
}

void writeNoteLine(TextOutput& out, BeatGrid& grid) {
    if (grid.startsNotes()) out.line("# == start ==");
    grid.advance(trackReader.delta);
    TextAppender line = out.piece();
    appendDelta(line);
    appendNoteEvent(line, trackReader.event);
    out.take(line.text(LINE_END));
    if (grid.reachedMark()) grid.writeMark(out);
}

void writeOtherLine(TextOutput& out) {
    TextAppender start = out.piece();
    appendDelta(start);
    out.take(start);
    out.hexBytes(trackReader.event, trackReader.eventLength);
    out.text(LINE_END);
    if (trackReader.matches(PATTERN_TEMPO, sizeof PATTERN_TEMPO)) out.line("# --- tempo ---");
}

// A track that cannot be loaded leaves only "-T:", with no line end.
void writeTrack(TextOutput& out, int32_t index) {
    out.text(TRACK_START_PREFIX);
    if (!trackReader.load(inputFile)) return;
    TextAppender head = out.piece();
    head.decimal(trackReader.length).text(LINE_END).text("# Track #").decimal(index).text(" ---- ");
    out.take(head.text(LINE_END));
    BeatGrid grid;
    while (trackReader.nextEvent() > 0) {
        // The reader delivers every note-off and note-on as three bytes.
        if (trackReader.isNote && trackReader.eventLength >= 3) {
            writeNoteLine(out, grid);
        } else {
            writeOtherLine(out);
        }
    }
    out.line(TRACK_END_PREFIX);
}

bool writeEventText(OutputSink& sink, const uint8_t* header) {
    TextOutput out(sink);
    writeHeaderLines(out, header);
    for (int32_t index = 0; index < SmfHeader.trackCount; ++index) writeTrack(out, index);
    return out.flush();
}
}  // namespace

bool writeHexBytes(OutputSink& sink, const uint8_t* bytes, int32_t count, bool endLine) {
    TextOutput out(sink);
    out.hexBytes(bytes, count);
    endLineIf(out, endLine);
    return out.flush();
}

bool writeNoteEvent(OutputSink& sink, const uint8_t* event, bool endLine) {
    TextOutput out(sink);
    TextAppender note = out.piece();
    appendNoteEvent(note, event);
    out.take(note);
    endLineIf(out, endLine);
    return out.flush();
}

int exportEventText(const char* textPath) {
    uint8_t header[SmfHeaderSize];
    beginFilePass(header);
    // Explicit CR LF in the bytes: the same file from every platform.
    StagedOutput output;
    if (!output.open(textPath, WriteOrder::Sequential)) return 0;
    return writeEventText(output, header) && output.commit() ? 1 : 0;
}
