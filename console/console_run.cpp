#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "analysis_report.h"
#include "command_line.h"
#include "convert_midi_file.h"
#include "convert_options.h"
#include "fatal_error.h"
#include "vfile.h"

char sourcePath[PathBufferSize];
char outputPath[PathBufferSize];
char reportPath[PathBufferSize];

namespace {
constexpr const char* Version = "1.9.2";
constexpr const char* ReportName = "quavel.log";

// A name fits its buffer or is not taken at all: a cut name could name
// another file.
bool fitsPathBuffer(const std::string& name) {
    return name.size() < PathBufferSize;
}

void storePath(char* buffer, const std::string& name) {
    buffer[0] = 0;
    if (fitsPathBuffer(name)) std::memcpy(buffer, name.c_str(), name.size() + 1);
}

void clearUserSettings() {
    outputPath[0] = 0;
    ConvertOptions.tuneLength = 0;
    ConvertOptions.clearChannelChoices();
}

void printSettings(const std::string& outputName) {
    std::printf("Out file making as [%s] with TuneLength=[%d]\n", outputName.c_str(),
                static_cast<int>(ConvertOptions.tuneLength));
    if (ConvertOptions.detectLevel != 0)
        std::printf("Dinamic Detection on Level=%d\n", static_cast<int>(ConvertOptions.detectLevel));
    for (int ch = 0; ch < ChannelCount; ++ch) {
        if (ConvertOptions.instrumentOverride[ch] != 0)
            std::printf("-> Change instrument of ch%d to %d\n", ch,
                        static_cast<int>(ConvertOptions.instrumentOverride[ch]));
    }
    for (int ch = 0; ch < ChannelCount; ++ch) {
        if (ConvertOptions.velocityOffset[ch] != 0)
            std::printf("-> Add the Velocity of ch%d to %d\n", ch,
                        signedByte(ConvertOptions.velocityOffset[ch]));
    }
}
}  // namespace

int runConsole(int argc, const char* const* argv) {
    clearUserSettings();
    const CommandLine line = parseCommandLine(argc, argv);
    storePath(sourcePath, line.sourceName);
    storePath(outputPath, line.outputName);
    storePath(reportPath, ReportName);

    std::printf("Quavel for Java Apps. Version %s\n", Version);
    if (!inputFile.load(sourcePath)) fatalError("Cannot open source file");
    ConvertOptions.analysedLength = writeAnalysisReport(sourcePath, reportPath);
    roundTuneLength();
    std::printf("MIDI file [%s] analisation done. Reported to [%s].\n", sourcePath, reportPath);

    if (line.outputName == line.sourceName) fatalError("Cannot out to this_file. so no converted.");
    if (line.outputName.empty()) fatalError("Not configure the output file. so no converted.");
    printSettings(line.outputName);
    if (!fitsPathBuffer(line.outputName)) fatalError("Cannot open dest file");
    convertMidiFile(outputPath, ConvertOptions.tuneLength);
    return 0;
}
