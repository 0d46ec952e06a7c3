#include "quaveltext_run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/fatal_error.h"
#include "command_line.h"
#include "event_text_export.h"
#include "event_text_import.h"
#include "job/job.h"
#include "pass/file_pass.h"
#include "report/analysis_report.h"
#include "smf/mtrk.h"
#include "smf/target_file.h"
#include "smf/vfile.h"

namespace {
constexpr int ArgumentCount = 4;
constexpr int ExportNameCount = 2;

int printUsage() {
    std::printf("usage: quaveltext export SOURCE.mid TEXT.txt | quaveltext import TEXT.txt OUT.mid\n");
    return 1;
}

int printHelp() {
    std::printf(
        "usage: quaveltext export [-Lreport] SOURCE.mid TEXT.txt\n"
        "       quaveltext import TEXT.txt OUT.mid\n"
        "  export          analyse SOURCE.mid and write its event text to TEXT.txt\n"
        "  import          build OUT.mid from the event text TEXT.txt\n"
        "  -Lreport        export: the analysis report's file (default quavel.log)\n"
        "  -h, -?, --help  print this text and end\n");
    return 0;
}

bool asksForHelp(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (isHelpWord(argv[i])) return true;
    }
    return false;
}

// Compared before anything is read or written: the output may name the
// input under another spelling or through a link.
bool refusesOwnInput(const char* inputName, const char* outputName) {
    if (!namesSameFile(outputName, inputName)) return false;
    fatalError("Cannot out to this_file. so no converted.");
    return true;
}

int exportCommand(const char* sourceName, const char* textName, const std::string& reportName) {
    if (refusesOwnInput(sourceName, textName)) return 1;
    if (!inputFile.load(sourceName)) {
        fatalError("Cannot open source file");
        return 1;
    }
    // The export converts nothing: its job is the default one, which the
    // analysis fills with the source's channel facts.
    Job job;
    FilePass pass(inputFile, trackReader);
    int32_t longest = 0;
    // The analysis checks the header (a refused one ends the run) and leaves
    // the track count the export walks by.
    const Result analysed =
        analyseFile(pass, job.options, sourceName, reportFileName(reportName, sourceName).c_str(), longest);
    if (!passOnFailure(analysed)) return 1;
    if (!reportCopy.saved) std::printf("Cannot write report [%s].\n", reportName.c_str());
    if (writeEventText(pass, textName).failed()) {
        std::printf("TEXT EventFile Cannot out\n");
        return 1;
    }
    std::printf("TEXT EventFile[%s] Out OK\n", textName);
    return 0;
}

// kesto's failure text, then what stopped the import.
int importCommand(const char* textName, const char* midiName) {
    if (refusesOwnInput(textName, midiName)) return 1;
    const Result imported = importEventFile(textName, midiName);
    if (imported.failed()) {
        std::printf("cannot convert TEXT to MIDI.\n%s\n", imported.message());
        return 1;
    }
    std::printf("TEXT[%s] to MIDI[%s] complete.\n", textName, midiName);
    return 0;
}

// export's arguments after the command word: -L options anywhere, and the
// source and text names in that order.
int exportWithOptions(int argc, const char* const* argv) {
    std::vector<const char*> names;
    std::vector<std::string> reportNames;
    for (int i = 2; i < argc; ++i) {
        if (const char* reportName = reportOptionName(argv[i]))
            reportNames.emplace_back(reportName);
        else
            names.push_back(argv[i]);
    }
    if (names.size() != ExportNameCount) return printUsage();
    return exportCommand(names[0], names[1], chooseReportName(reportNames, names[0], names[1]));
}
}  // namespace

int runQuavelText(int argc, const char* const* argv) {
    if (asksForHelp(argc, argv)) return printHelp();
    if (argc > 1 && std::strcmp(argv[1], "export") == 0) return exportWithOptions(argc, argv);
    if (argc != ArgumentCount) return printUsage();
    if (std::strcmp(argv[1], "import") == 0) return importCommand(argv[2], argv[3]);
    return printUsage();
}
