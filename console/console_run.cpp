#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis_report.h"
#include "command_line.h"
#include "convert_midi_file.h"
#include "convert_options.h"
#include "fatal_error.h"
#include "sp_midi.h"
#include "vfile.h"

char sourcePath[PathBufferSize];
char outputPath[PathBufferSize];
char reportPath[PathBufferSize];

namespace {
constexpr const char* Version = "1.9.2";

// One line per option; every option line of the usage text belongs here.
constexpr const char* UsageLines[] = {
    "usage: quavel [SOURCE.mid|-] [OUTPUT.mid|-] [-Dn] [-Tticks] [-Ic:hh] [-Vc:hh] [-S[channels]] "
    "[-Lreport]\n",
    "  SOURCE.mid      the file to analyse and convert (-: test.mid)\n",
    "  OUTPUT.mid      the converted file (-: out.mid)\n",
    "  -Dn             detection level, one hexadecimal digit (-D alone and default: 1)\n",
    "  -Tticks         tune length in ticks (-T, -T0: 7680; default: the analysed length)\n",
    "  -Ic:hh          channel c (0-F) gets program hh - 1 at its first program change\n",
    "  -Vc:hh          velocity offset of channel c, a two's-complement byte (F0: -16)\n",
    "  -S[channels]    write the SP-MIDI MIP message; hexadecimal channel digits set\n",
    "                  the priority, highest first (-S9012); handsets with fewer voices\n",
    "                  then mute whole low-priority channels instead of losing notes\n",
    "  -Lreport        the analysis report's file (default quavel.log)\n",
    "  -h, -?, --help  print this text and end\n",
};

int printUsage() {
    for (const char* line : UsageLines) std::fputs(line, stdout);
    return 0;
}

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
    for (int ch = 0; ch < ChannelCount; ++ch) {
        ConvertOptions.velocityOffset[ch] = 0;
        ConvertOptions.instrumentOverride[ch] = 0;
    }
    SpMidi = SpMidiSettings();
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

// The MIP values describe the converted tune: it is converted once in memory
// to measure them, and the output conversion then writes the message.
void prepareSpMidi() {
    if (!SpMidi.enabled) return;
    SpMidi.message.clear();
    std::vector<uint8_t> converted;
    if (!convertMidiFileToMemory(converted, ConvertOptions.tuneLength)) return;
    const std::vector<SpMidiEntry> entries =
        computeSpMidiMips(converted.data(), converted.size(), SpMidi.priority);
    for (const SpMidiEntry& entry : entries)
        std::printf("-> SP-MIDI MIP of ch%d = %d\n", entry.channel, entry.mip);
    SpMidi.message = spMidiMessage(entries);
}
}  // namespace

int runConsole(int argc, const char* const* argv) {
    clearUserSettings();
    const CommandLine line = parseCommandLine(argc, argv);
    if (line.helpWanted) return printUsage();
    storePath(sourcePath, line.sourceName);
    storePath(outputPath, line.outputName);
    storePath(reportPath, line.reportName);

    std::printf("Quavel for Java Apps. Version %s\n", Version);
    if (!inputFile.load(sourcePath)) fatalError("Cannot open source file");
    ConvertOptions.analysedLength = writeAnalysisReport(sourcePath, reportPath);
    roundTuneLength();
    std::printf("MIDI file [%s] analisation done. Reported to [%s].\n", sourcePath, reportPath);

    if (line.outputName == line.sourceName) fatalError("Cannot out to this_file. so no converted.");
    if (line.outputName.empty()) fatalError("Not configure the output file. so no converted.");
    printSettings(line.outputName);
    if (!fitsPathBuffer(line.outputName)) fatalError("Cannot open dest file");
    prepareSpMidi();
    convertMidiFile(outputPath, ConvertOptions.tuneLength);
    return 0;
}
