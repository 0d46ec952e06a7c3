#include "event_text_fixture.h"

#include "event_text_export.h"
#include "event_text_import.h"
#include "job/process_records.h"
#include "report/analysis_report.h"

bool prepareSource(const Bytes& file) {
    if (!loadSource(file)) return false;
    writeAnalysisReport("source.mid", "quavel.log");
    return true;
}

std::string exportedText(const Bytes& file) {
    if (!prepareSource(file) || exportEventText("exported.txt") != 1) return "";
    return readText("exported.txt");
}

Bytes importedFile(const std::string& text, int* status) {
    writeTextFile("edited.txt", text);
    const int result = importEventText("edited.txt", "imported.mid");
    if (status != nullptr) *status = result;
    return readFile("imported.mid");
}

std::string crlfLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

std::string oneTrackText(std::initializer_list<const char*> eventLines) {
    std::string text = crlfLines({"-H:MIDI-EventFile", "+F:00 00 # MIDI-Format", "+N:00 01 # Track-Number",
                                  "+D:01 E0 # DTime", "-T:0"});
    for (const char* line : eventLines) text += std::string(line) + "\r\n";
    return text + "-TE\r\n";
}
