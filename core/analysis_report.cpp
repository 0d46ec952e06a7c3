#include "analysis_report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "convert_options.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "midi_channel_event.h"
#include "midi_meta_event.h"
#include "mtrk.h"
#include "output_sink.h"
#include "report_lines.h"
#include "smf_header.h"
#include "staged_output.h"
#include "streamed_text.h"
#include "text_appender.h"
#include "vfile.h"
#include "vocabulary.h"

ReportCopy reportCopy;

namespace {
// One report line before CR LF expansion; the longest is a meta line with a
// full detail text, well inside the 4095 characters ReportLines takes at once.
constexpr int LineSize = 2048;
// SysEx bytes formatted per piece; a SysEx line can be as long as its track.
constexpr int32_t HexBytesPerPiece = 512;

struct TrackWalk {
    MIDIChannelEvent channelEvent;
    MIDIMetaEvent metaEvent;
    int32_t noteTime = 0;
};

// Paths longer than a path buffer holds are treated like paths that cannot be
// written: the report is still built, only not saved.
bool isSavablePath(const char* reportPath) {
    return reportPath != nullptr && *reportPath != 0 && std::strlen(reportPath) <= VFILE::MaxPathLength;
}

// The report goes to its staged file, when it has one, and its start to the
// copy kept in memory.
class ReportTargets : public OutputSink {
public:
    explicit ReportTargets(StagedOutput& output) : file(output) {}

    bool write(const void* bytes, size_t n) override {
        keep(static_cast<const char*>(bytes), n);
        if (file.isOpen()) file.write(bytes, n);  // a failed file is not kept: the copy goes on
        return true;
    }
    bool rewrite(size_t, const void*, size_t) override { return false; }

private:
    StagedOutput& file;

    static void keep(const char* bytes, size_t n) {
        const size_t kept = reportCopy.text.size();
        if (kept < reportCopy.keepLimit)
            reportCopy.text.append(bytes, std::min(n, reportCopy.keepLimit - kept));
        reportCopy.size += n;
    }
};

void printHeader(ReportLines& report, const char* displayName) {
    report.print("MIDI-FileName:%s\n\n", displayName == nullptr ? "" : displayName);
    report.print("MIDI Head(MThd)\n");
    report.print("Format:%d\n", static_cast<int>(SmfHeader.format));
    report.print("Tracks:%d\n", static_cast<int>(SmfHeader.trackCount));
    report.print("DeltaT:%d\n", static_cast<int>(SmfHeader.division));
}

// What an event line shows after its delta time: "Meta " or "Norm:", the
// describer's kind and ":", then its detail and a blank, and its number, when
// it has them.
struct DescribedEvent {
    const char* word;  // five characters
    const char* kind;
    int32_t kindLength;
    const char* detail;
    int32_t detailLength;
    int32_t hasDetail;
    int32_t hasNumber;
    int32_t number;
};

DescribedEvent describeMetaEvent(TrackWalk& walk) {
    MIDIMetaEvent& meta = walk.metaEvent;
    meta.clear();
    meta.describe(trackReader.event, trackReader.eventLength);
    return {"Meta ",
            meta.kindText,
            static_cast<int32_t>(std::strlen(meta.kindText)),
            meta.detailText,
            static_cast<int32_t>(std::strlen(meta.detailText)),
            meta.hasDetail,
            meta.hasNumber,
            meta.number};
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

DescribedEvent describeChannelEvent(TrackWalk& walk) {
    noteChannelFacts();
    walk.noteTime = advanceNoteTime(walk.noteTime, trackReader);
    MIDIChannelEvent& channelEvent = walk.channelEvent;
    channelEvent.length = channelEvent.hasNumber = channelEvent.hasDetail = 0;
    channelEvent.describe(trackReader.event, trackReader.eventLength);
    return {"Norm:",
            channelEvent.kindText,
            channelEvent.kindLength,
            channelEvent.detailText,
            channelEvent.detailLength,
            channelEvent.hasDetail,
            0,
            0};
}

// Most lines: the describer's texts go straight into the line, as
// appendDescription would copy them there.
void appendNamedChannelEvent(TrackWalk& walk, TextAppender& line) {
    noteChannelFacts();
    walk.noteTime = advanceNoteTime(walk.noteTime, trackReader);
    line.text("Norm:", 5);
    MIDIChannelEvent::appendKind(line, trackReader.event);
    line.character(':');
    MIDIChannelEvent::appendDetail(line, trackReader.event);
    line.character(' ');
}

void appendDescription(TextAppender& line, const DescribedEvent& event) {
    line.text(event.word, 5).text(event.kind, static_cast<size_t>(event.kindLength)).character(':');
    if (event.hasDetail) line.text(event.detail, static_cast<size_t>(event.detailLength)).character(' ');
    if (event.hasNumber) line.decimal(event.number);
}

// Writes the event's line to text, of LineSize characters, and returns its
// length. The delta time is "%08x(%7d):" of its 32-bit value. A SysEx line
// is only begun: its bytes follow.
int32_t writeEventLine(TrackWalk& walk, char* text) {
    TextAppender line(text, LineSize);
    const int32_t delta = trackReader.delta;
    line.hexWord(static_cast<uint32_t>(delta))
        .character('(')
        .decimalRightAligned(delta, 7)
        .character(')')
        .character(':');
    const int32_t kind = trackReader.kind;
    if (kind == EVENT_CHANNEL && MIDIChannelEvent::isNamed(trackReader.event, trackReader.eventLength)) {
        appendNamedChannelEvent(walk, line);
    } else if (kind == EVENT_META || kind == EVENT_CHANNEL) {
        appendDescription(line, kind == EVENT_META ? describeMetaEvent(walk) : describeChannelEvent(walk));
    } else if (kind == EVENT_SYSEX) {
        line.text("SysEx ");
    } else {
        line.text("Error");
    }
    return line.size();
}

// A SysEx line can be as long as its track: its bytes go straight to the
// report, a piece at a time, after the start of the line.
void reportSysExEvent(ReportLines& report, TrackWalk& walk) {
    char start[LineSize];
    report.printText(start, writeEventLine(walk, start));
    char hex[HexBytesPerPiece * 3 + 1];
    for (int32_t done = 0; done < trackReader.eventLength; done += HexBytesPerPiece) {
        const int32_t left = trackReader.eventLength - done;
        report.append(hex, formatHexBytes(trackReader.event + done,
                                          left < HexBytesPerPiece ? left : HexBytesPerPiece, hex));
    }
    report.append("\r\n", 2);
}

// The line is built straight in the report's output. Only a meta event's
// detail can hold an LF (a text event's own bytes).
void reportEvent(ReportLines& report, TrackWalk& walk) {
    if (trackReader.kind == EVENT_SYSEX) return reportSysExEvent(report, walk);
    char* const space = report.lineSpace();
    if (trackReader.kind == EVENT_META) return report.endLine(writeEventLine(walk, space));
    report.endPlainLine(writeEventLine(walk, space));
}

int32_t reportTrack(ReportLines& report, int32_t index, TrackWalk& walk) {
    report.print("Track# %d\n", static_cast<int>(index));
    walk.noteTime = 0;
    if (!trackReader.load(inputFile)) {
        report.print("Cannot GetTrack\n");
    } else {
        while (trackReader.nextEvent() != 0) reportEvent(report, walk);
    }
    report.print("Track Total=%" PRId32 "\n", walk.noteTime);
    return walk.noteTime;
}

// Every track's lines; returns the largest noteTime.
int32_t reportTracks(ReportLines& report) {
    TrackWalk walk;  // one pair of describers serves every event of the file
    int32_t longest = 0;
    for (int32_t index = 0; index < SmfHeader.trackCount; ++index) {
        const int32_t noteTime = reportTrack(report, index, walk);
        if (noteTime > longest) longest = noteTime;
    }
    return longest;
}
}  // namespace

int32_t advanceNoteTime(int32_t noteTime, const MTrk& reader) {
    if (reader.kind != EVENT_CHANNEL || !reader.isNote || reader.delta <= 0) return noteTime;
    if (noteTime > INT32_MAX - reader.delta) return INT32_MAX;
    return noteTime + reader.delta;
}

int32_t measureAnalysedLength(VFILE& file, MTrk& reader, int32_t trackCount) {
    uint8_t header[SmfHeaderSize];
    beginFilePass(file, reader, header);
    int32_t longest = 0;
    for (int32_t index = 0; index < trackCount; ++index) {
        int32_t noteTime = 0;
        if (reader.load(file)) {
            while (reader.nextEvent() != 0) noteTime = advanceNoteTime(noteTime, reader);
        }
        if (noteTime > longest) longest = noteTime;
    }
    return longest;
}

int32_t writeAnalysisReport(const char* displayName, const char* reportPath) {
    ConvertOptions.clearAnalysisResults();
    reportCopy.text.clear();
    reportCopy.size = 0;
    reportCopy.saved = false;
    beginFilePass(headerBytes);
    const int checked = checkSmfHeader(headerBytes);
    if (checked != 1) {
        fatalError(smfErrorText(checked));  // nothing of a refused file is shown as its report
        return 0;
    }
    // A report that cannot be written whole is not saved: the previous one stays.
    StagedOutput file;
    if (isSavablePath(reportPath)) file.open(reportPath, WriteOrder::Sequential);
    ReportTargets targets(file);
    StreamedText text(&targets);
    ReportLines report(text);
    printHeader(report, displayName);
    const int32_t longest = reportTracks(report);
    text.flush();
    reportCopy.saved = file.isOpen() && file.commit();
    return longest;
}
