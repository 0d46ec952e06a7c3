#include "render_command_line.h"

#include <cstring>

#include "base/help_words.h"
#include "smf/target_file.h"

namespace {
constexpr int MaxVoiceDigits = 2;
constexpr const char* VoicesWord = "--voices";
constexpr const char* NameOrdinals[] = {"first", "second", "third"};

bool isVoicesOption(const char* argument) {
    return argument[0] == '-' && (argument[1] == 'N' || argument[1] == 'n');
}

// The names a run takes: the source, and the WAV unless it counts voices.
int nameCount(const RenderCommandLine& line) {
    return line.voicesWanted ? 1 : 2;
}

void takeName(RenderCommandLine& line, int& names, const char* argument) {
    if (names == 0) line.sourceName = argument;
    if (names == 1) line.outputName = argument;
    if (++names > nameCount(line))
        line.problem = std::string("Too many names: ") + argument + " is a " + NameOrdinals[names - 1];
}

void takeArgument(RenderCommandLine& line, int& names, const char* argument) {
    if (isVoicesOption(argument)) {
        line.voices = parseVoices(argument + 2);
        if (line.voices < 0) line.problem = "-N takes a number of voices from 1 to 64, as in -N8";
    } else if (std::strcmp(argument, VoicesWord) == 0) {
        // Taken before the names, so that it counts wherever it stands.
    } else if (argument[0] == '-' && argument[1] != 0) {
        line.problem = std::string("Unknown option ") + argument;
    } else {
        takeName(line, names, argument);
    }
}
}  // namespace

int parseVoices(const char* digits) {
    const size_t length = std::strlen(digits);
    if (length == 0 || length > MaxVoiceDigits) return -1;
    int voices = 0;
    for (size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return -1;
        voices = voices * 10 + (digits[i] - '0');
    }
    return voices >= MinRenderVoices && voices <= MaxRenderVoices ? voices : -1;
}

RenderCommandLine parseRenderCommandLine(int argc, const char* const* argv) {
    RenderCommandLine line;
    for (int i = 1; i < argc; ++i) {
        if (isHelpWord(argv[i])) {
            line.helpWanted = true;
            return line;
        }
    }
    for (int i = 1; i < argc; ++i)
        line.voicesWanted = line.voicesWanted || std::strcmp(argv[i], VoicesWord) == 0;
    // The first problem is the one reported.
    int names = 0;
    for (int i = 1; i < argc && line.problem.empty(); ++i) takeArgument(line, names, argv[i]);
    if (line.problem.empty() && names < nameCount(line))
        line.problem = line.voicesWanted ? "SOURCE.mid is needed" : "SOURCE.mid and OUT.wav are both needed";
    // Under any spelling, and through a link: the source is told by the file it is.
    if (line.problem.empty() && !line.voicesWanted && namesSameFile(line.outputName, line.sourceName))
        line.problem = "OUT.wav is the source's own name: the tune is not overwritten";
    return line;
}
