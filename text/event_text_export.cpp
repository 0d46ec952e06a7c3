#include "event_text_export.h"

#include <cstdint>

#include "event_text_format.h"
#include "file_pass.h"
#include "mtrk.h"
#include "smf_header.h"
#include "vfile.h"
#include "vocabulary.h"

namespace {
// Notes 120..127 have no name of their own in the text (octave 10).
constexpr int FirstUnnamedNote = 120;

void writeLine(FILE* stream, const char* text) {
    std::fputs(text, stream);
    std::fputs(LINE_END, stream);
}

void endLineIf(FILE* stream, bool endLine) {
    if (endLine) std::fputs(LINE_END, stream);
}

void writeHexByte(FILE* stream, int value) {
    std::fprintf(stream, "%02X ", value & 0xFF);
}

void writeDrumNote(FILE* stream, int note) {
    if (note < FirstDrumNote || note > LastDrumNote) return writeHexByte(stream, note);
    std::fprintf(stream, "%s ", GM_DRUM_ABBREVIATIONS[note - FirstDrumNote]);
}

void writeMelodicNote(FILE* stream, int note) {
    if (note >= FirstUnnamedNote) return writeHexByte(stream, note);
    char name[LookupTextSize];
    std::fprintf(stream, "%s ", noteName(note, 1, name));
}

void writeHeaderField(FILE* stream, const char* prefix, const uint8_t* field, const char* remark) {
    std::fputs(prefix, stream);
    writeHexBytes(stream, field, 2, false);
    writeLine(stream, remark);
}

void writeHeaderLines(FILE* stream, const uint8_t* header) {
    writeLine(stream, EVENT_TEXT_SIGNATURE);
    writeHeaderField(stream, FORMAT_PREFIX, header + 8, "# MIDI-Format");
    writeHeaderField(stream, TRACK_COUNT_PREFIX, header + 10, "# Track-Number");
    writeHeaderField(stream, DIVISION_PREFIX, header + 12, "# DTime");
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

    void writeMark(FILE* stream) const {
        const char* rule = noteTime % BAR_MARK_STEP == 0 ? "==" : "--";
        std::fprintf(stream, "# %s %d %s", rule, static_cast<int32_t>(noteTime), rule);
        std::fputs(LINE_END, stream);
    }

private:
    int64_t noteTime = 0;
    int64_t nextMark = 0;
};

void writeNoteLine(FILE* stream, BeatGrid& grid) {
    if (grid.startsNotes()) writeLine(stream, "# == start ==");
    grid.advance(trackReader.delta);
    std::fprintf(stream, "%7d:", trackReader.delta);
    writeNoteEvent(stream, trackReader.event, true);
    if (grid.reachedMark()) grid.writeMark(stream);
}

void writeOtherLine(FILE* stream) {
    std::fprintf(stream, "%7d:", trackReader.delta);
    writeHexBytes(stream, trackReader.event, trackReader.eventLength, true);
    if (trackReader.matches(PATTERN_TEMPO, sizeof PATTERN_TEMPO)) writeLine(stream, "# --- tempo ---");
}

// A track that cannot be loaded leaves only "-T:", with no line end.
void writeTrack(FILE* stream, int32_t index) {
    std::fputs(TRACK_START_PREFIX, stream);
    if (!trackReader.load(inputFile)) return;
    std::fprintf(stream, "%d", trackReader.length);
    std::fputs(LINE_END, stream);
    std::fprintf(stream, "# Track #%d ---- ", index);
    std::fputs(LINE_END, stream);
    BeatGrid grid;
    while (trackReader.nextEvent() > 0) {
        // The reader delivers every note-off and note-on as three bytes.
        if (trackReader.isNote && trackReader.eventLength >= 3) {
            writeNoteLine(stream, grid);
        } else {
            writeOtherLine(stream);
        }
    }
    writeLine(stream, TRACK_END_PREFIX);
}
}  // namespace

void writeHexBytes(FILE* stream, const uint8_t* bytes, int32_t count, bool endLine) {
    for (int32_t k = 0; k < count; ++k) writeHexByte(stream, bytes[k]);
    endLineIf(stream, endLine);
}

void writeNoteEvent(FILE* stream, const uint8_t* event, bool endLine) {
    writeHexByte(stream, event[0]);
    const int note = event[1] & 0x7F;
    if ((event[0] & 0x0F) == PercussionChannel) {
        writeDrumNote(stream, note);
    } else {
        writeMelodicNote(stream, note);
    }
    writeHexByte(stream, event[2]);
    endLineIf(stream, endLine);
}

int exportEventText(const char* textPath) {
    uint8_t header[SmfHeaderSize];
    beginFilePass(header);
    if (textPath == nullptr) return 0;
    // Binary mode with explicit CR LF: the same bytes from every platform.
    FILE* stream = std::fopen(textPath, "wb");
    if (stream == nullptr) return 0;
    writeHeaderLines(stream, header);
    for (int32_t index = 0; index < SmfHeader.trackCount; ++index) writeTrack(stream, index);
    const bool written = std::ferror(stream) == 0;
    return std::fclose(stream) == 0 && written ? 1 : 0;
}
