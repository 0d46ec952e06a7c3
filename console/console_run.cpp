#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis_report.h"
#include "command_line.h"
#include "convert_options.h"
#include "converted_file.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "handset/handset_fit.h"
#include "handset/profile_reader.h"
#include "mtrk.h"
#include "program_folder.h"
#include "quavel_version.h"
#include "result.h"
#include "smf_header.h"
#include "sp_midi.h"
#include "vfile.h"

char sourcePath[PathBufferSize];
char outputPath[PathBufferSize];
char reportPath[PathBufferSize];

namespace {
// A run that converted and wrote a file that does not fit a -P profile.
constexpr int StatusDoesNotFit = 3;

// One line per option; every option line of the usage text belongs here.
constexpr const char* UsageLines[] = {
    "usage: quavel [SOURCE.mid|-] [OUTPUT.mid|-] [-Dn] [-Tticks] [-Ic:hh] [-Vc:hh]\n",
    "              [-S[channels]] [-Lreport]\n",
    "              [-Pprofile]...\n",
    "  SOURCE.mid      the file to analyse and convert (-: test.mid)\n",
    "  OUTPUT.mid      the converted file (-: out.mid)\n",
    "  -Dn             detection level, one hexadecimal digit (-D alone and default: 1)\n",
    "  -Tticks         tune length in ticks (-T, -T0: 7680; default: the analysed length)\n",
    "  -Ic:hh          channel c (0-F) gets program hh - 1 at its first program change\n",
    "  -Vc:hh          velocity offset of channel c, a two's-complement byte (F0: -16)\n",
    "  -S[channels]    write the SP-MIDI MIP message; hexadecimal channel digits set\n",
    "                  the priority, highest first (-S9012); handsets with fewer voices\n",
    "                  then mute whole low-priority channels instead of losing notes\n",
    "  -Pprofile       check the converted file against a handset profile: NAME\n",
    "                  (NAME.profile here, then among the installed gm-lite,\n",
    "                  sp-midi-3gpp, voices-16, voices-32, voices-64) or a path;\n",
    "                  repeatable; status 3 when the file does not fit one\n",
    "  -Lreport        the analysis report's file (default quavel.log)\n",
    "  -h, -?, --help  print this text and end\n",
    "A handset profile is a text file of \"key = value\" lines (# starts a comment);\n",
    "a key left out is not checked. Keys: voices, max-bytes, formats (0 1),\n",
    "min-note-ms, key-range (12-108), max-tempo-changes, mip (required, allowed or\n",
    "ignored), mip-first-max, unsupported (pitch-bend channel-pressure poly-pressure\n",
    "pan bank-select master-volume sysex text-events), drum-channels (default 9).\n",
    "Installed profiles, each file naming the sources of its numbers:\n",
    "  gm-lite         16 voices, formats 0 1, MIP ignored (General MIDI Lite)\n",
    "  sp-midi-3gpp    24 voices, formats 0 1, MIP required with a first value of\n",
    "                  at most 6, notes of 5 ms or more, no pitch bend, channel\n",
    "                  pressure, pan or master volume (3GPP TS 23.040, Annex H.4)\n",
    "  voices-16, -32  16 or 32 voices, at most 65536 bytes, formats 0 1\n",
    "  voices-64       64 voices, at most 65536 bytes, formats 0 1, keys 12-108\n",
    "                  (the embedded synthesizer of Android phones)\n",
    "Example: quavel tune.mid handset.mid -S95 -Pvoices-16 (see quavel(1))\n",
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
    void start(const std::vector<HandsetProfile>& profiles) {
        pass.profiles = profiles;
        pass.header = SmfHeader;
        pass.options = ConvertOptions;
        pass.options.clearAnalysisResults();  // as the report leaves them
        pass.spMidi = SpMidi;
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

// The file the run writes: the one made early, or else made now.
const ConvertedFile& handsetFile(EarlyConversion& early, ConvertedFile& madeNow,
                                 const std::vector<HandsetProfile>& profiles) {
    if (ConvertedFile* made = early.madeFor(ConvertOptions.analysedLength, ConvertOptions.tuneLength))
        return *made;
    FilePass pass = defaultFilePass();
    pass.profiles = profiles;
    passOnFailure(makeConvertedFile(pass, ConvertOptions.tuneLength, madeNow));
    return madeNow;
}

// Every profile -P named, read before any file is touched: one that cannot
// be read ends the run.
std::vector<HandsetProfile> loadProfiles(const std::vector<std::string>& names) {
    std::vector<HandsetProfile> profiles;
    if (names.empty()) return profiles;
    const std::string installed = installedProfileFolder();
    for (const std::string& name : names) {
        ProfileReading reading = loadHandsetProfile(name, installed);
        if (!reading.ok()) fatalError(reading.refusal.c_str());
        profiles.push_back(std::move(reading.profile));
    }
    return profiles;
}

void printHandsetCheckLines(const ConvertedFile& made) {
    for (const HandsetFit& fit : made.fits)
        for (const std::string& line : fit.lines()) std::printf("%s\n", line.c_str());
}

int fitStatus(const ConvertedFile& made) {
    for (const HandsetFit& fit : made.fits)
        if (!fit.fits()) return StatusDoesNotFit;
    return 0;
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
    const std::vector<HandsetProfile> profiles = loadProfiles(line.profileNames);
    if (!inputFile.load(sourcePath)) fatalError("Cannot open source file");
    const bool converts =
        line.outputName != line.sourceName && !line.outputName.empty() && fitsPathBuffer(line.outputName);
    EarlyConversion early;
    if (converts) early.start(profiles);
    ConvertOptions.analysedLength = writeAnalysisReport(sourcePath, reportPath);
    early.wait();
    roundTuneLength();
    std::printf("MIDI file [%s] analisation done. Reported to [%s].\n", sourcePath, reportPath);

    if (line.outputName == line.sourceName) fatalError("Cannot out to this_file. so no converted.");
    if (line.outputName.empty()) fatalError("Not configure the output file. so no converted.");
    printSettings(line.outputName);
    if (!fitsPathBuffer(line.outputName)) fatalError("Cannot open dest file");
    ConvertedFile madeNow;
    const ConvertedFile& made = handsetFile(early, madeNow, profiles);
    printSpMidiLines(made);
    printHandsetCheckLines(made);
    passOnFailure(writeWholeFile(outputPath, made.bytes));
    return fitStatus(made);
}
