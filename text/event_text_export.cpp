#include "event_text_export.h"

#include <cstdint>

#include "event_text_format.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "report/streamed_text.h"
#include "report/text_appender.h"
#include "report/vocabulary.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"
#include "smf/output_sink.h"
#include "smf/smf_header.h"
#include "smf/staged_output.h"
#include "smf/vfile.h"

namespace {
// Notes 120..127 have no name of their own in the text (octave 10).
constexpr int FirstUnnamedNote = 120;
// The longest piece written at once: an event line's delta, its hex bytes
// (a note event's name included) and the line end.
constexpr int32_t PieceSize = 128;
// Bytes of a long event written as hex at once.
constexpr int32_t HexBytesPerPiece = 256;
const char* const CannotWriteText = "TEXT EventFile Cannot out";

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
    if (statusChannel(event[0]) == PercussionChannel && note >= FirstDrumNote && note <= LastDrumNote) {
        piece.text(GM_DRUM_ABBREVIATIONS[note - FirstDrumNote]).character(' ');
    } else if (statusChannel(event[0]) != PercussionChannel && note < FirstUnnamedNote) {
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
void appendDelta(TextAppender& piece, const MTrk& reader) {
    piece.decimalRightAligned(reader.delta, DeltaColumns).character(':');
}

// The event text of the events the walk delivers.
class EventTextWalk : public TrackVisitor {
public:
    EventTextWalk(OutputSink& sink, const MTrk& passReader) : out(sink), reader(passReader) {}

    bool finish() { return out.flush(); }

    bool onHeader(FilePass& pass) {
        writeHeaderLines(out, pass.headerBytes);
        return true;
    }

    // A track that cannot be loaded leaves only "-T:", with no line end.
    bool beginTrack(const WalkPosition& at, bool loaded) {
        out.text(TRACK_START_PREFIX);
        if (!loaded) return true;
        TextAppender head = out.piece();
        head.decimal(reader.length).text(LINE_END).text("# Track #").decimal(at.track).text(" ---- ");
        out.take(head.text(LINE_END));
        grid = BeatGrid();
        return true;
    }

    bool onEvent(const MTrk& event, const WalkPosition&) {
        // The reader delivers every note-off and note-on as three bytes.
        if (event.isNote && event.eventLength >= 3) {
            writeNoteLine(event);
        } else {
            writeOtherLine(event);
        }
        return true;
    }

    bool endTrack(const WalkPosition&, bool loaded) {
        if (loaded) out.line(TRACK_END_PREFIX);
        return true;
    }

private:
    TextOutput out;
    const MTrk& reader;
    BeatGrid grid;

    void writeNoteLine(const MTrk& event) {
        if (grid.startsNotes()) out.line("# == start ==");
        grid.advance(event.delta);
        TextAppender line = out.piece();
        appendDelta(line, event);
        appendNoteEvent(line, event.event);
        out.take(line.text(LINE_END));
        if (grid.reachedMark()) grid.writeMark(out);
    }

    void writeOtherLine(const MTrk& event) {
        TextAppender start = out.piece();
        appendDelta(start, event);
        out.take(start);
        out.hexBytes(event.event, event.eventLength);
        out.text(LINE_END);
        if (event.matches(PATTERN_TEMPO, sizeof PATTERN_TEMPO)) out.line("# --- tempo ---");
    }
};
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

Result writeEventText(FilePass& pass, const char* textPath) {
    // Explicit CR LF in the bytes: the same file from every platform.
    StagedOutput output;
    if (!output.open(textPath, WriteOrder::Sequential)) return Result::failure(CannotWriteText);
    EventTextWalk walk(output, pass.reader);
    walkFile(pass, walk);
    return walk.finish() && output.commit() ? Result::success() : Result::failure(CannotWriteText);
}

int exportEventText(const char* textPath) {
    FilePass pass = defaultFilePass();
    return writeEventText(pass, textPath).ok() ? 1 : 0;
}
