#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "analysis_report.h"
#include "command_line.h"
#include "convert_options.h"
#include "converted_file.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "handset/slim_settings.h"
#include "handset/slimming.h"
#include "mtrk.h"
#include "quavel_version.h"
#include "result.h"
#include "smf_header.h"
#include "sp_midi.h"
#include "vfile.h"

char sourcePath[PathBufferSize];
char outputPath[PathBufferSize];
char reportPath[PathBufferSize];

namespace {
// One line per option; every option line of the usage text belongs here.
constexpr const char* UsageLines[] = {
    "usage: quavel [SOURCE.mid|-] [OUTPUT.mid|-] [-Dn] [-Tticks] [-Ic:hh] [-Vc:hh]\n",
    "              [-S[channels]] [-Z] [-0] [-Lreport]\n",
    "  SOURCE.mid      the file to analyse and convert (-: test.mid)\n",
    "  OUTPUT.mid      the converted file (-: out.mid)\n",
    "  -Dn             detection level, one hexadecimal digit (-D alone and default: 1)\n",
    "  -Tticks         tune length in ticks (-T, -T0: 7680; default: the analysed length)\n",
    "  -Ic:hh          channel c (0-F) gets program hh - 1 at its first program change\n",
    "  -Vc:hh          velocity offset of channel c, a two's-complement byte (F0: -16)\n",
    "  -S[channels]    write the SP-MIDI MIP message; hexadecimal channel digits set\n",
    "                  the priority, highest first (-S9012); handsets with fewer voices\n",
    "                  then mute whole low-priority channels instead of losing notes\n",
    "  -Z              slim the output without changing a sound: leave out what a\n",
    "                  handset never hears, note-offs as note-ons of velocity 0\n",
    "  -0              write format 0 (with -Z: format 0 or 1, whichever is smaller)\n",
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
    ConvertOptions.clearChannelChoices();
    SpMidi = SpMidiSettings();
    Slim = SlimSettings();
}

// The handset file, made on a second core while the report is written, from
// a view of the source with a reader of its own and the settings as the
// conversion sees them. Only its bytes are made early: the output file is
// written after the report, as in a run on one core, so every message, file
// and status stays the same.
class EarlyConversion {
public:
    EarlyConversion() : pass(sourceView, reader) {}
    EarlyConversion(const EarlyConversion&) = delete;
    EarlyConversion& operator=(const EarlyConversion&) = delete;
    ~EarlyConversion() { wait(); }

    // Starts only for a source whose header the report will accept: a
    // refused one ends the run during the report.
    void start() {
        pass.header = SmfHeader;
        pass.options = ConvertOptions;
        pass.options.clearAnalysisResults();  // as the report leaves them
        pass.spMidi = SpMidi;
        pass.slim = Slim;
        beginFilePass(pass);
        if (checkPassHeader(pass).failed() || !sourceView.view(inputFile)) return;
        const int32_t chosen = ConvertOptions.tuneLength;
        worker = std::thread([this, chosen] { run(chosen); });
    }

    void wait() {
        if (worker.joinable()) worker.join();
    }

    // After wait: the file made with the length the run uses, or nullptr
    // when there is none (then the run makes it as on one core).
    ConvertedFile* madeFor(int32_t analysedLength, int32_t tuneLength) {
        const bool fits = measured == analysedLength && usedLength == tuneLength && usedLength >= 0;
        return fits && result.ok() ? &made : nullptr;
    }

private:
    VFILE sourceView;
    MTrk reader;
    FilePass pass;
    ConvertedFile made;
    Result result = Result::failure("not made");
    std::thread worker;
    int32_t measured = -1;
    int32_t usedLength = -1;

    void run(int32_t chosen) {
        measured = measureAnalysedLength(pass);
        usedLength = roundedTuneLength(chosen, measured, pass.header.division);
        result = makeConvertedFile(pass, usedLength, made);
        sourceView.release();
    }
};

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

void printSpMidiLines(const ConvertedFile& made) {
    for (const SpMidiEntry& entry : made.mips)
        std::printf("-> SP-MIDI MIP of ch%d = %d\n", entry.channel, entry.mip);
}

// What slimming left otherwise than asked, in the line before the sizes.
const char* slimNoteLine(SlimNote note) {
    switch (note) {
        case SlimNote::FormatTwoKept:
            return "-> Format 2 kept: its tracks are separate sequences, not merged\n";
        case SlimNote::TrackWithoutEnd:
            return "-> Not slimmed: a track has no End of Track, so a handset reads on past it\n";
        case SlimNote::NotRewritable:
            return "-> Not slimmed: its tracks cannot be rewritten as a handset reads them\n";
        case SlimNote::PacketsKeepTracks:
            return "-> Tracks kept: its SysEx packets would play otherwise in one track\n";
        case SlimNote::None:
            break;
    }
    return "";
}

void printSlimLines(const SlimOutcome& slim) {
    if (!slim.done) return;
    std::fputs(slimNoteLine(slim.note), stdout);
    std::printf("-> Slimmed to %d bytes from %d (format %d)\n", static_cast<int>(slim.bytesAfter),
                static_cast<int>(slim.bytesBefore), static_cast<int>(slim.format));
}

// The file the run writes: the one made early, or else made now.
const ConvertedFile& handsetFile(EarlyConversion& early, ConvertedFile& madeNow) {
    if (ConvertedFile* made = early.madeFor(ConvertOptions.analysedLength, ConvertOptions.tuneLength))
        return *made;
    FilePass pass = defaultFilePass();
    passOnFailure(makeConvertedFile(pass, ConvertOptions.tuneLength, madeNow));
    return madeNow;
}
}  // namespace

int runConsole(int argc, const char* const* argv) {
    clearUserSettings();
    const CommandLine line = parseCommandLine(argc, argv);
    if (line.helpWanted) return printUsage();
    storePath(sourcePath, line.sourceName);
    storePath(outputPath, line.outputName);
    storePath(reportPath, line.reportName);

    std::printf("Quavel for Java Apps. Version %s\n", QuavelVersion);
    if (!inputFile.load(sourcePath)) fatalError("Cannot open source file");
    const bool converts =
        line.outputName != line.sourceName && !line.outputName.empty() && fitsPathBuffer(line.outputName);
    EarlyConversion early;
    if (converts) early.start();
    ConvertOptions.analysedLength = writeAnalysisReport(sourcePath, reportPath);
    early.wait();
    roundTuneLength();
    std::printf("MIDI file [%s] analisation done. Reported to [%s].\n", sourcePath, reportPath);

    if (line.outputName == line.sourceName) fatalError("Cannot out to this_file. so no converted.");
    if (line.outputName.empty()) fatalError("Not configure the output file. so no converted.");
    printSettings(line.outputName);
    if (!fitsPathBuffer(line.outputName)) fatalError("Cannot open dest file");
    ConvertedFile madeNow;
    const ConvertedFile& made = handsetFile(early, madeNow);
    printSpMidiLines(made);
    printSlimLines(made.slim);
    passOnFailure(writeWholeFile(outputPath, made.bytes));
    return 0;
}
