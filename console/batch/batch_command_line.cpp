#include "batch_command_line.h"

#include <cctype>
#include <cstring>

#include "base/help_words.h"
#include "report/decimal_text.h"

namespace {
// The letters of quavel's options that a batch hands to each conversion.
constexpr const char* ConversionLetters = "DTIVSZ0PF";

bool isConversionOption(const char* argument) {
    if (argument[0] != '-' || argument[1] == 0) return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[1])));
    return std::strchr(ConversionLetters, letter) != nullptr;
}

bool isAllDigits(const char* text) {
    if (*text == 0) return false;
    for (; *text != 0; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    return true;
}

void takeWorkers(BatchCommandLine& line, const char* count) {
    const int32_t workers = isAllDigits(count) ? readDecimal(count, 0, MostWorkers + 1) : 0;
    if (workers < 1 || workers > MostWorkers)
        line.problem = "-j takes a number of workers from 1 to " + std::to_string(MostWorkers);
    else
        line.workers = workers;
}

class Arguments {
public:
    Arguments(int count, const char* const* values) : argc(count), argv(values) {}

    bool more() const { return next < argc; }
    const char* take() { return argv[next++]; }
    // The value after an option that needs one; nullptr at the end.
    const char* value() { return more() ? take() : nullptr; }

private:
    int argc;
    const char* const* argv;
    int next = 1;
};

// --out, --csv and --html each name a path.
bool takePathOption(BatchCommandLine& line, const std::string& word, Arguments& arguments) {
    std::string* target = word == "--out"    ? &line.outFolder
                          : word == "--csv"  ? &line.csvFile
                          : word == "--html" ? &line.htmlFile
                                             : nullptr;
    if (target == nullptr) return false;
    const char* path = arguments.value();
    if (path == nullptr || *path == 0)
        line.problem = word + " needs a name";
    else
        *target = path;
    return true;
}

void takeArgument(BatchCommandLine& line, const char* argument, Arguments& arguments) {
    const std::string word = argument;
    if (isHelpWord(argument))
        line.helpWanted = true;
    else if (word == "--reports")
        line.reports = true;
    else if (takePathOption(line, word, arguments))
        return;
    else if (word == "-j")
        takeWorkers(line, arguments.more() ? arguments.take() : "");
    else if (word.compare(0, 2, "-j") == 0)
        takeWorkers(line, argument + 2);
    else if (word.compare(0, 2, "--") == 0)
        line.problem = "Unknown option [" + word + "]";
    else if (isConversionOption(argument))
        line.conversionOptions.push_back(word);
    else if (argument[0] != '-' || argument[1] == 0)
        line.inputs.push_back(word);
    // Any other option is ignored, as quavel ignores one.
}
}  // namespace

BatchCommandLine parseBatchCommandLine(int argc, const char* const* argv) {
    BatchCommandLine line;
    Arguments arguments(argc, argv);
    while (arguments.more() && line.problem.empty()) takeArgument(line, arguments.take(), arguments);
    return line;
}
