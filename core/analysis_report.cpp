#include "analysis_report.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "convert_options.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "midi_channel_event.h"
#include "midi_meta_event.h"
#include "mtrk.h"
#include "smf_header.h"
#include "text_appender.h"
#include "vfile.h"
#include "vocabulary.h"

namespace {
// One report line before CR LF expansion; the longest is a meta line with a
// full detail text, well inside what VFILE::printLine takes at once.
constexpr int LineSize = 2048;
// SysEx bytes formatted per piece; a SysEx line can be as long as its track.
constexpr int32_t HexBytesPerPiece = 512;

struct TrackWalk {
    MIDIChannelEvent channelEvent;
    MIDIMetaEvent metaEvent;
    int32_t noteTime = 0;
};

void clearAnalysisResults() {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        ConvertOptions.channelUsed[channel] = 0;
        ConvertOptions.firstProgram[channel] = 0;
        ConvertOptions.octaveShift[channel] = 0;
    }
}

// Paths that VFILE cannot hold are treated like paths that cannot be written:
// the report is still built, only not saved.
const char* savablePath(const char* reportPath) {
    if (reportPath == nullptr || std::strlen(reportPath) > VFILE::MaxPathLength) return "";
    return reportPath;
}

void printHeader(const char* displayName) {
    reportFile.print("MIDI-FileName:%s\n\n", displayName == nullptr ? "" : displayName);
    reportFile.print("MIDI Head(MThd)\n");
    reportFile.print("Format:%d\n", static_cast<int>(SmfHeader.format));
    reportFile.print("Tracks:%d\n", static_cast<int>(SmfHeader.trackCount));
    reportFile.print("DeltaT:%d\n", static_cast<int>(SmfHeader.division));
}

// The delta time as "%08x(%7d):" of its 32-bit value; it starts every event line.
void appendDeltaPrefix(TextAppender& line, int32_t delta) {
    line.hexWord(static_cast<uint32_t>(delta)).character('(').decimalRightAligned(delta, 7).text("):");
}

// Appends "%s " of the detail when there is one, then the number when there is one.
void appendDetails(TextAppender& line, const char* detail, int32_t hasDetail, int32_t hasNumber,
                   int32_t number) {
    if (hasDetail) line.text(detail).character(' ');
    if (hasNumber) line.decimal(number);
}

void reportMetaEvent(TrackWalk& walk, TextAppender& line) {
    MIDIMetaEvent& meta = walk.metaEvent;
    meta.clear();
    meta.describe(trackReader.event, trackReader.eventLength);
    line.text("Meta ").text(meta.kindText).character(':');
    appendDetails(line, meta.detailText, meta.hasDetail, meta.hasNumber, meta.number);
}

// A SysEx line can be as long as its track: its bytes go straight to the
// report, a piece at a time, after the start of the line.
void reportSysExEvent(const char* lineStart, int32_t startLength) {
    reportFile.printText(lineStart, startLength);
    char hex[HexBytesPerPiece * 3 + 1];
    for (int32_t done = 0; done < trackReader.eventLength; done += HexBytesPerPiece) {
        const int32_t left = trackReader.eventLength - done;
        reportFile.append(hex, formatHexBytes(trackReader.event + done,
                                              left < HexBytesPerPiece ? left : HexBytesPerPiece, hex));
    }
    reportFile.append("\r\n", 2);
}

void noteChannelFacts() {
    const uint8_t status = trackReader.event[0];
    const int channel = status & 0x0F;
    ConvertOptions.channelUsed[channel] = 1;
    const bool isProgramChange = (status & 0xF0) == 0xC0 && trackReader.eventLength >= 2;
    if (isProgramChange && ConvertOptions.firstProgram[channel] == 0) {
        ConvertOptions.firstProgram[channel] = (trackReader.event[1] & 0x7F) + 1;
    }
}

void reportChannelEvent(TrackWalk& walk, TextAppender& line) {
    noteChannelFacts();
    walk.noteTime = advanceNoteTime(walk.noteTime, trackReader);
    MIDIChannelEvent& channelEvent = walk.channelEvent;
    channelEvent.length = channelEvent.hasNumber = channelEvent.hasDetail = 0;
    channelEvent.describe(trackReader.event, trackReader.eventLength);
    line.text("Norm:").text(channelEvent.kindText).character(':');
    appendDetails(line, channelEvent.detailText, channelEvent.hasDetail, 0, 0);
}

void reportEvent(TrackWalk& walk) {
    char text[LineSize];
    TextAppender line(text, LineSize);
    appendDeltaPrefix(line, trackReader.delta);
    switch (trackReader.kind) {
        case EVENT_META:
            reportMetaEvent(walk, line);
            break;
        case EVENT_SYSEX:
            line.text("SysEx ");
            return reportSysExEvent(text, line.size());
        case EVENT_CHANNEL:
            reportChannelEvent(walk, line);
            break;
        default:
            line.text("Error");
    }
    reportFile.printLine(text, line.size());
}

int32_t reportTrack(int32_t index, TrackWalk& walk) {
    reportFile.print("Track# %d\n", static_cast<int>(index));
    walk.noteTime = 0;
    if (!trackReader.load(inputFile)) {
        reportFile.print("Cannot GetTrack\n");
    } else {
        while (trackReader.nextEvent() != 0) reportEvent(walk);
    }
    reportFile.print("Track Total=%" PRId32 "\n", walk.noteTime);
    return walk.noteTime;
}
}  // namespace

int32_t advanceNoteTime(int32_t noteTime, const MTrk& reader) {
    if (reader.kind != EVENT_CHANNEL || !reader.isNote || reader.delta <= 0) return noteTime;
    if (noteTime > INT32_MAX - reader.delta) return INT32_MAX;
    return noteTime + reader.delta;
}

int32_t writeAnalysisReport(const char* displayName, const char* reportPath) {
    clearAnalysisResults();
    if (!reportFile.create(savablePath(reportPath), InitialReportSize)) {
        fatalError("Cannot open report file");
        return 0;
    }
    beginFilePass(headerBytes);
    const int checked = checkSmfHeader(headerBytes);
    if (checked != 1) {
        reportFile.truncate();  // nothing of a refused file is shown as its report
        fatalError(smfErrorText(checked));
        return 0;
    }
    printHeader(displayName);
    TrackWalk walk;  // one pair of describers serves every event of the file
    int32_t longest = 0;
    for (int32_t index = 0; index < SmfHeader.trackCount; ++index) {
        const int32_t noteTime = reportTrack(index, walk);
        if (noteTime > longest) longest = noteTime;
    }
    reportFile.truncate();
    reportFile.flush();
    return longest;
}
