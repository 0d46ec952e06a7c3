#include "report/analysis_report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/result.h"
#include "convert/convert_options.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "report/midi_channel_event.h"
#include "report/midi_meta_event.h"
#include "report/report_lines.h"
#include "report/streamed_text.h"
#include "report/text_appender.h"
#include "report/vocabulary.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"
#include "smf/output_sink.h"
#include "smf/smf_header.h"
#include "smf/staged_output.h"
#include "smf/vfile.h"

ReportCopy reportCopy;

namespace {
// One report line before CR LF expansion; the longest is a meta line with a
// full detail text, well inside the 4095 characters ReportLines takes at once.
constexpr int LineSize = 2048;
// SysEx bytes formatted per piece; a SysEx line can be as long as its track.
constexpr int32_t HexBytesPerPiece = 512;

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

void printHeader(ReportLines& report, const char* displayName, const SmfHeaderRecord& header) {
    report.print("MIDI-FileName:%s\n\n", displayName == nullptr ? "" : displayName);
    report.print("MIDI Head(MThd)\n");
    report.print("Format:%d\n", static_cast<int>(header.format));
    report.print("Tracks:%d\n", static_cast<int>(header.trackCount));
    report.print("DeltaT:%d\n", static_cast<int>(header.division));
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

void appendDescription(TextAppender& line, const DescribedEvent& event) {
    line.text(event.word, 5).text(event.kind, static_cast<size_t>(event.kindLength)).character(':');
    if (event.hasDetail) line.text(event.detail, static_cast<size_t>(event.detailLength)).character(' ');
    if (event.hasNumber) line.decimal(event.number);
}

// Writes the report from the events the walk delivers, one pair of
// describers serving every event of the file, and collects the channel facts
// and the longest noteTime that the conversion needs.
class ReportWalk : public TrackVisitor {
public:
    ReportWalk(ReportLines& lines, const char* name, ConvertOptionsRecord& facts)
        : report(lines), displayName(name), options(facts) {}

    int32_t longest = 0;

    bool onHeader(FilePass& pass) {
        printHeader(report, displayName, pass.header);
        return true;
    }

    bool beginTrack(const WalkPosition& at, bool loaded) {
        report.print("Track# %d\n", static_cast<int>(at.track));
        noteTime = 0;
        if (!loaded) report.print("Cannot GetTrack\n");
        return true;
    }

    bool onEvent(MTrk& reader, const WalkPosition&) {
        reportEvent(reader);
        return true;
    }

    bool endTrack(const WalkPosition&, bool) {
        report.print("Track Total=%" PRId32 "\n", noteTime);
        if (noteTime > longest) longest = noteTime;
        return true;
    }

private:
    ReportLines& report;
    const char* displayName;
    ConvertOptionsRecord& options;
    MIDIChannelEvent channelEvent;
    MIDIMetaEvent metaEvent;
    int32_t noteTime = 0;

    DescribedEvent describeMetaEvent(const MTrk& reader) {
        MIDIMetaEvent& meta = metaEvent;
        meta.clear();
        meta.describe(reader.event, reader.eventLength);
        return {"Meta ",
                meta.kindText,
                static_cast<int32_t>(std::strlen(meta.kindText)),
                meta.detailText,
                static_cast<int32_t>(std::strlen(meta.detailText)),
                meta.hasDetail,
                meta.hasNumber,
                meta.number};
    }

    void noteChannelFacts(const MTrk& reader) {
        const uint8_t status = reader.event[0];
        const int channel = statusChannel(status);
        options.channelUsed[channel] = 1;
        const bool isProgramChange = statusType(status) == StatusProgramChange && reader.eventLength >= 2;
        if (isProgramChange && options.firstProgram[channel] == 0) {
            options.firstProgram[channel] = (reader.event[1] & 0x7F) + 1;
        }
    }

    DescribedEvent describeChannelEvent(const MTrk& reader) {
        noteChannelFacts(reader);
        noteTime = advanceNoteTime(noteTime, reader);
        channelEvent.length = channelEvent.hasNumber = channelEvent.hasDetail = 0;
        channelEvent.describe(reader.event, reader.eventLength);
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
    void appendNamedChannelEvent(const MTrk& reader, TextAppender& line) {
        noteChannelFacts(reader);
        noteTime = advanceNoteTime(noteTime, reader);
        line.text("Norm:", 5);
        MIDIChannelEvent::appendKind(line, reader.event);
        line.character(':');
        MIDIChannelEvent::appendDetail(line, reader.event);
        line.character(' ');
    }

    // Writes the event's line to text, of LineSize characters, and returns
    // its length. The delta time is "%08x(%7d):" of its 32-bit value. A SysEx
    // line is only begun: its bytes follow.
    int32_t writeEventLine(const MTrk& reader, char* text) {
        TextAppender line(text, LineSize);
        const int32_t delta = reader.delta;
        line.hexWord(static_cast<uint32_t>(delta))
            .character('(')
            .decimalRightAligned(delta, 7)
            .character(')')
            .character(':');
        const int32_t kind = reader.kind;
        if (kind == EVENT_CHANNEL && MIDIChannelEvent::isNamed(reader.event, reader.eventLength)) {
            appendNamedChannelEvent(reader, line);
        } else if (kind == EVENT_META || kind == EVENT_CHANNEL) {
            appendDescription(line,
                              kind == EVENT_META ? describeMetaEvent(reader) : describeChannelEvent(reader));
        } else if (kind == EVENT_SYSEX) {
            line.text("SysEx ");
        } else {
            line.text("Error");
        }
        return line.size();
    }

    // A SysEx line can be as long as its track: its bytes go straight to the
    // report, a piece at a time, after the start of the line.
    void reportSysExEvent(const MTrk& reader) {
        char start[LineSize];
        report.printText(start, writeEventLine(reader, start));
        char hex[HexBytesPerPiece * 3 + 1];
        for (int32_t done = 0; done < reader.eventLength; done += HexBytesPerPiece) {
            const int32_t left = reader.eventLength - done;
            report.append(hex, formatHexBytes(reader.event + done,
                                              left < HexBytesPerPiece ? left : HexBytesPerPiece, hex));
        }
        report.append("\r\n", 2);
    }

    // The line is built straight in the report's output. Only a meta event's
    // detail can hold an LF (a text event's own bytes).
    void reportEvent(const MTrk& reader) {
        if (reader.kind == EVENT_SYSEX) return reportSysExEvent(reader);
        char* const space = report.lineSpace();
        if (reader.kind == EVENT_META) return report.endLine(writeEventLine(reader, space));
        report.endPlainLine(writeEventLine(reader, space));
    }
};

// The noteTime of every track, and nothing else.
class LengthWalk : public TrackVisitor {
public:
    int32_t longest = 0;

    bool beginTrack(const WalkPosition&, bool) {
        noteTime = 0;
        return true;
    }
    bool onEvent(const MTrk& reader, const WalkPosition&) {
        noteTime = advanceNoteTime(noteTime, reader);
        return true;
    }
    bool endTrack(const WalkPosition&, bool) {
        if (noteTime > longest) longest = noteTime;
        return true;
    }

private:
    int32_t noteTime = 0;
};

void clearReportCopy() {
    reportCopy.text.clear();
    reportCopy.size = 0;
    reportCopy.saved = false;
}
}  // namespace

int32_t advanceNoteTime(int32_t noteTime, const MTrk& reader) {
    if (reader.kind != EVENT_CHANNEL || !reader.isNote || reader.delta <= 0) return noteTime;
    if (noteTime > INT32_MAX - reader.delta) return INT32_MAX;
    return noteTime + reader.delta;
}

int32_t measureAnalysedLength(FilePass& pass) {
    LengthWalk walk;
    walkFile(pass, walk);
    return walk.longest;
}

Result analyseFile(FilePass& pass, ConvertOptionsRecord& facts, const char* displayName,
                   const char* reportPath, int32_t& longest) {
    facts.clearAnalysisResults();
    clearReportCopy();
    longest = 0;
    // Nothing of a refused file is shown as its report, and no report file is touched.
    beginFilePass(pass);
    const Result checked = checkPassHeader(pass);
    if (checked.failed()) return checked;
    // A report that cannot be written whole is not saved: the previous one stays.
    StagedOutput file;
    if (isSavablePath(reportPath)) file.open(reportPath, WriteOrder::Sequential);
    ReportTargets targets(file);
    StreamedText text(&targets);
    ReportLines report(text);
    ReportWalk walk(report, displayName, facts);
    walkFile(pass, walk);
    text.flush();
    reportCopy.saved = file.isOpen() && file.commit();
    longest = walk.longest;
    return Result::success();
}
