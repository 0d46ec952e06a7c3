#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/fatal_error.h"
#include "base/message_text.h"
#include "base/result.h"
#include "command_line.h"
#include "console_profiles.h"
#include "convert/convert_options.h"
#include "early_conversion.h"
#include "fit/profile_reader.h"
#include "fit/profile_rules.h"
#include "job/converted_file.h"
#include "job/finding_lines.h"
#include "pass/file_pass.h"
#include "program_folder.h"
#include "quavel_version.h"
#include "report/analysis_report.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/target_file.h"
#include "smf/vfile.h"

char sourcePath[PathBufferSize];
char outputPath[PathBufferSize];
char reportPath[PathBufferSize];

namespace {
// A run that converted and wrote a file that does not fit a -P profile.
constexpr int StatusDoesNotFit = 3;

// One line per option; every option line of the usage text belongs here.
constexpr const char* UsageLines[] = {
    "usage: quavel [SOURCE.mid|-] [OUTPUT.mid|-] [-Dn] [-Tticks] [-Ic:hh] [-Vc:hh]\n",
    "              [-S[channels]] [-Z] [-0] [-Lreport]\n",
    "              [-Pprofile]... [-Fprofile]\n",
    "       quavel --profiles\n",
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
    "  -0              write format 0 (with -Z: format 0 or 1, whichever is smaller);\n",
    "                  a format 2 source, tracks with SysEx packets, and a file with\n",
    "                  a track that lacks its End of Track or cannot be rewritten\n",
    "                  stay as converted\n",
    "  -Pprofile       check the converted file against a handset profile: NAME\n",
    "                  (NAME.profile here, then among the installed gm-lite,\n",
    "                  sp-midi-3gpp, voices-16, voices-32, voices-64) or a path;\n",
    "                  repeatable; status 3 when the file does not fit one\n",
    "  -Fprofile       change the converted file until it fits the profile (found as\n",
    "                  -P finds one), saying each change, then check it; the last -F\n",
    "                  counts; status 3 when it still does not fit\n",
    "  -Lreport        the analysis report's file (default quavel.log)\n",
    "  --profiles      list the profiles -P finds by name, in search order: name,\n",
    "                  path and settings, or the message that refuses the profile\n",
    "  -h, -?, --help  print this text and end\n",
};

// The profile keys follow, from the rules themselves.
constexpr const char* ProfileKeysLead =
    "A handset profile is a text file of \"key = value\" lines (# starts a comment); a key left out is "
    "not checked. Keys: ";
constexpr size_t UsageWidth = 79;

constexpr const char* InstalledProfileLines[] = {
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

// The words of text in lines of at most width characters; a longer word
// stands on a line of its own.
std::vector<std::string> wrappedLines(const std::string& text, size_t width) {
    std::vector<std::string> lines(1);
    size_t start = 0;
    while (start < text.size()) {
        const size_t blank = text.find(' ', start);
        const std::string word =
            text.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
        start = blank == std::string::npos ? text.size() : blank + 1;
        std::string& line = lines.back();
        if (!line.empty() && line.size() + 1 + word.size() > width) lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
    }
    return lines;
}

int printUsage() {
    for (const char* line : UsageLines) std::fputs(line, stdout);
    for (const std::string& line : wrappedLines(ProfileKeysLead + profileKeysText() + ".", UsageWidth))
        std::printf("%s\n", line.c_str());
    for (const char* line : InstalledProfileLines) std::fputs(line, stdout);
    return 0;
}

// One line per profile that a name finds, in search order: its name, path
// and settings, or the message that refuses it; then the path of the one
// that hides it. Every field is shown printable: the names come from folders.
int printProfiles() {
    for (const ListedProfile& listed : listHandsetProfiles(installedProfileFolder())) {
        HandsetProfile profile;
        const Result read = readHandsetProfile(listed.location, profile);
        const std::string settings = read.ok() ? profileSettingsText(profile) : read.message();
        std::string line = printableText(listed.name) + "\t" + printableText(listed.location.path) + "\t" +
                           printableText(settings);
        if (!listed.hiddenBy.empty()) line += "\t(hidden by " + printableText(listed.hiddenBy) + ")";
        std::printf("%s\n", line.c_str());
    }
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

// The line names the report's file, and says so when that file could not
// take it.
void printAnalysisDone() {
    if (reportCopy.saved)
        std::printf("MIDI file [%s] analisation done. Reported to [%s].\n", sourcePath, reportPath);
    else
        std::printf("MIDI file [%s] analisation done. Cannot write report [%s].\n", sourcePath, reportPath);
}

void printSettings(const std::string& outputName, const ConvertOptionsRecord& options) {
    std::printf("Out file making as [%s] with TuneLength=[%d]\n", outputName.c_str(),
                static_cast<int>(options.tuneLength));
    if (options.detectLevel != 0)
        std::printf("Dinamic Detection on Level=%d\n", static_cast<int>(options.detectLevel));
    for (int ch = 0; ch < ChannelCount; ++ch) {
        if (options.instrumentOverride[ch] != 0)
            std::printf("-> Change instrument of ch%d to %d\n", ch,
                        static_cast<int>(options.instrumentOverride[ch]));
    }
    for (int ch = 0; ch < ChannelCount; ++ch) {
        if (options.velocityOffset[ch] != 0)
            std::printf("-> Add the Velocity of ch%d to %d\n", ch, signedByte(options.velocityOffset[ch]));
    }
}

// The file the run writes: the one made early, or else made now.
const ConvertedFile& handsetFile(EarlyConversion& early, FilePass& pass, const Job& job,
                                 ConvertedFile& madeNow) {
    if (ConvertedFile* made = early.madeFor(job.options.analysedLength, job.options.tuneLength)) return *made;
    passOnFailure(makeConvertedFile(pass, job, job.options.tuneLength, madeNow));
    return madeNow;
}

// The report of the loaded source; a refused header ends the run.
int32_t analyseSource(FilePass& pass, Job& job, const std::string& reportFile) {
    int32_t longest = 0;
    passOnFailure(analyseFile(pass, job.options, sourcePath, reportFile.c_str(), longest));
    return longest;
}

// What the handset steps did, in the words kesto shows too.
void printFindingLines(const ConvertedFile& made) {
    for (const std::string& line : findingLines(made)) std::printf("%s\n", line.c_str());
}

int fitStatus(const ConvertedFile& made) {
    return profilesNotFitted(made).empty() ? 0 : StatusDoesNotFit;
}
}  // namespace

int runConsole(int argc, const char* const* argv) {
    const CommandLine line = parseCommandLine(argc, argv);
    if (line.helpWanted) return printUsage();
    if (line.profilesWanted) return printProfiles();
    storePath(sourcePath, line.sourceName);
    storePath(outputPath, line.outputName);
    storePath(reportPath, line.reportName);

    std::printf("Quavel for Java Apps. Version %s\n", QuavelVersion);
    Job job = line.job;
    loadJobProfiles(line, job);
    if (!inputFile.load(sourcePath)) fatalError("Cannot open source file");
    // The output may name the source under another spelling or through a link.
    const bool outputIsSource = namesSameFile(line.outputName, line.sourceName);
    const bool converts = !outputIsSource && !line.outputName.empty() && fitsPathBuffer(line.outputName);
    EarlyConversion early;
    if (converts) early.start(job);
    FilePass pass(inputFile, trackReader);
    job.options.analysedLength = analyseSource(pass, job, reportFileName(reportPath, sourcePath));
    early.wait();
    job.options.roundTuneLength(pass.header.division);
    printAnalysisDone();

    if (outputIsSource) fatalError("Cannot out to this_file. so no converted.");
    if (line.outputName.empty()) fatalError("Not configure the output file. so no converted.");
    printSettings(line.outputName, job.options);
    if (!fitsPathBuffer(line.outputName)) fatalError("Cannot open dest file");
    ConvertedFile madeNow;
    const ConvertedFile& made = handsetFile(early, pass, job, madeNow);
    // The lines tell of the file written: a failed write is the last line.
    passOnFailure(writeWholeFile(outputPath, made.bytes));
    printFindingLines(made);
    return fitStatus(made);
}
