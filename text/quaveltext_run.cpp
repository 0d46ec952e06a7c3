#include "quaveltext_run.h"

#include <cstdio>
#include <cstring>

#include "analysis_report.h"
#include "event_text_export.h"
#include "event_text_import.h"
#include "fatal_error.h"
#include "vfile.h"

namespace {
constexpr const char* ReportName = "quavel.log";
constexpr int ArgumentCount = 4;

int printUsage() {
    std::printf("usage: quaveltext export SOURCE.mid TEXT.txt | quaveltext import TEXT.txt OUT.mid\n");
    return 1;
}

int exportCommand(const char* sourceName, const char* textName) {
    if (!inputFile.load(sourceName)) {
        fatalError("Cannot open source file");
        return 1;
    }
    // The analysis checks the header (a refused one ends the run) and leaves
    // the track count the export walks by.
    writeAnalysisReport(sourceName, ReportName);
    if (!exportEventText(textName)) {
        std::printf("TEXT EventFile Cannot out\n");
        return 1;
    }
    std::printf("TEXT EventFile[%s] Out OK\n", textName);
    return 0;
}

int importCommand(const char* textName, const char* midiName) {
    if (!importEventText(textName, midiName)) {
        std::printf("cannot convert TEXT to MIDI.\n");
        return 1;
    }
    std::printf("TEXT[%s] to MIDI[%s] complete.\n", textName, midiName);
    return 0;
}
}  // namespace

int runQuavelText(int argc, const char* const* argv) {
    if (argc != ArgumentCount) return printUsage();
    if (std::strcmp(argv[1], "export") == 0) return exportCommand(argv[2], argv[3]);
    if (std::strcmp(argv[1], "import") == 0) return importCommand(argv[2], argv[3]);
    return printUsage();
}
