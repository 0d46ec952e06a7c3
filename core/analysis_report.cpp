#include "analysis_report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "convert_options.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "midi_channel_event.h"
#include "midi_meta_event.h"
#include "mtrk.h"
#include "smf_header.h"
#include "vfile.h"
#include "vocabulary.h"

namespace {
// One report line before CR LF expansion; the longest is a meta line with a
// full detail text, well inside what VFILE::print formats at once.
constexpr int LineSize = 2048;
// SysEx bytes formatted per print call; a SysEx line can be as long as its track.
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

// Appends to the line at used and returns its new length, never past its end.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
int appendToLine(char* line, int used, const char* format, ...) {
    if (used >= LineSize - 1) return used;
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(line + used, static_cast<size_t>(LineSize - used), format, arguments);
    va_end(arguments);
    if (n < 0) return used;
    return std::min(used + n, LineSize - 1);
}

// The delta time as "%08x(%7d):" of its 32-bit value, formatted by hand: it
// starts every event line, and the general formatter dominated the report's cost.
int formatDeltaPrefix(char* line, int32_t delta) {
    static const char hexDigits[] = "0123456789abcdef";
    uint32_t bits = static_cast<uint32_t>(delta);
    for (int i = 7; i >= 0; --i, bits >>= 4) line[i] = hexDigits[bits & 0xF];
    char decimal[12];
    int digits = 0;
    int64_t value = delta < 0 ? -static_cast<int64_t>(delta) : delta;
    do {
        decimal[digits++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (delta < 0) decimal[digits++] = '-';
    int used = 8;
    line[used++] = '(';
    for (int pad = 7 - digits; pad > 0; --pad) line[used++] = ' ';
    while (digits > 0) line[used++] = decimal[--digits];
    line[used++] = ')';
    line[used++] = ':';
    line[used] = 0;
    return used;
}

// Appends "%s " of the detail when there is one, then the number when there is one.
void appendDetails(char* line, int used, const char* detail, int32_t hasDetail, int32_t hasNumber,
                   int32_t number) {
    if (hasDetail) used = appendToLine(line, used, "%s ", detail);
    if (hasNumber) appendToLine(line, used, "%" PRId32, number);
}

// The line is already formatted: no second formatting pass over it.
void printLine(const char* line) {
    reportFile.printText(line);
    reportFile.printText("\n");
}

void reportMetaEvent(TrackWalk& walk, char* line, int used) {
    MIDIMetaEvent& meta = walk.metaEvent;
    meta.clear();
    meta.describe(trackReader.event, trackReader.eventLength);
    used = appendToLine(line, used, "Meta %s:", meta.kindText);
    appendDetails(line, used, meta.detailText, meta.hasDetail, meta.hasNumber, meta.number);
    printLine(line);
}

void reportSysExEvent(const char* prefix) {
    reportFile.print("%sSysEx ", prefix);
    char hex[HexBytesPerPiece * 3 + 1];
    for (int32_t done = 0; done < trackReader.eventLength; done += HexBytesPerPiece) {
        const int32_t left = trackReader.eventLength - done;
        formatHexBytes(trackReader.event + done, left < HexBytesPerPiece ? left : HexBytesPerPiece, hex);
        reportFile.printText(hex);
    }
    reportFile.print("\n");
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

void reportChannelEvent(TrackWalk& walk, char* line, int used) {
    noteChannelFacts();
    walk.noteTime = advanceNoteTime(walk.noteTime, trackReader);
    MIDIChannelEvent& channelEvent = walk.channelEvent;
    channelEvent.length = channelEvent.hasNumber = channelEvent.hasDetail = 0;
    channelEvent.describe(trackReader.event, trackReader.eventLength);
    used = appendToLine(line, used, "Norm:%s:", channelEvent.kindText);
    appendDetails(line, used, channelEvent.detailText, channelEvent.hasDetail, 0, 0);
    printLine(line);
}

void reportEvent(TrackWalk& walk) {
    char line[LineSize];
    const int used = formatDeltaPrefix(line, trackReader.delta);
    switch (trackReader.kind) {
        case EVENT_META:
            return reportMetaEvent(walk, line, used);
        case EVENT_SYSEX:
            return reportSysExEvent(line);
        case EVENT_CHANNEL:
            return reportChannelEvent(walk, line, used);
        default:
            reportFile.print("%sError\n", line);
    }
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
