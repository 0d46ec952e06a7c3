#include "batch_run.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/message_text.h"
#include "base/result.h"
#include "batch_command_line.h"
#include "batch_page.h"
#include "batch_result.h"
#include "batch_sources.h"
#include "batch_table.h"
#include "batch_worker.h"
#include "child_process.h"
#include "command_line.h"
#include "console_profiles.h"
#include "job/converted_file.h"
#include "program_folder.h"
#include "smf/target_file.h"
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
constexpr int StatusRefused = 1;
constexpr const char* OutputIsSource = "Cannot out to this_file. so no converted.";

constexpr const char* UsageLines[] = {
    "usage: quavelbatch [options] FILE|FOLDER...\n",
    "  FILE|FOLDER     a tune, or a folder: its .mid and .midi files and those of its\n",
    "                  subfolders (any letter case), in byte order of their paths\n",
    "  -Dn -Tticks -Ic:hh -Vc:hh -S[channels] -Z -0 -Pprofile... -Fprofile\n",
    "                  convert and check each tune as quavel does (see quavel --help)\n",
    "  -j N, -jN       run N tunes at once (default: one per core)\n",
    "  --out DIR       write each converted tune under DIR, at its path under its\n",
    "                  folder (a file named alone: its name); without it, only check\n",
    "  --reports       also write each analysis report beside its output, as NAME.log\n",
    "  --csv FILE      a row per tune and profile: file, status, bytes, format, tracks,\n",
    "                  voices, notes, profile, fits, findings, first_place\n",
    "  --html FILE     a page of the tunes' voices over time and their findings\n",
    "  -h, -?, --help  print this text and end\n",
    "A line per tune, in the order given: its size, the voices it needs with the\n",
    "notes sounding then, and per profile \"NAME fits\" or \"NAME: N findings\"; then\n",
    "the files, the fits per profile and the failures. Status 0 when every tune\n",
    "converted and fits, 3 when one does not fit, 1 when one failed.\n",
    "Example: quavelbatch -Pgm-lite -Pvoices-16 --out handset --csv tunes.csv tunes\n",
};

int printUsage() {
    for (const char* line : UsageLines) std::fputs(line, stdout);
    return 0;
}

int refuse(const std::string& message) {
    std::printf("%s\n", message.c_str());
    return StatusRefused;
}

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The profiles every tune is checked against, named as the check lines name
// them; one that cannot be read ends the run before any tune is read.
std::vector<std::string> checkedProfileNames(const std::vector<std::string>& options) {
    const CommandLine line = conversionCommandLine(options);
    Job job;
    loadJobProfiles(line, job);
    std::vector<std::string> names;
    for (const HandsetProfile& profile : job.checkedProfiles()) names.push_back(profile.name);
    return names;
}

// A tune and what its worker is asked, or the reason none is started.
struct BatchTask {
    BatchSource source;
    WorkerTask work;
    std::string refusal;
};

std::vector<BatchTask> batchTasks(const std::vector<BatchSource>& sources, const BatchCommandLine& line) {
    std::vector<BatchTask> tasks;
    for (const BatchSource& source : sources) {
        BatchTask task{source, {source.name, "", "", line.conversionOptions}, source.problem};
        if (source.problem.empty() && !line.outFolder.empty()) {
            task.work.output = joinedPath(line.outFolder, source.relative);
            if (line.reports) task.work.report = reportBeside(task.work.output);
        }
        tasks.push_back(std::move(task));
    }
    return tasks;
}

std::vector<std::string> writtenPaths(const std::vector<BatchTask>& tasks) {
    std::vector<std::string> paths;
    for (const BatchTask& task : tasks)
        for (const std::string* path : {&task.work.output, &task.work.report})
            if (!path->empty()) paths.push_back(*path);
    return paths;
}

// A name that would land on a source refuses that tune alone.
void refuseOutputsOnSources(std::vector<BatchTask>& tasks, const std::vector<BatchSource>& sources) {
    const SourceFiles sourceFiles(sources);
    for (BatchTask& task : tasks) {
        const bool onSource = (!task.work.output.empty() && sourceFiles.holds(task.work.output)) ||
                              (!task.work.report.empty() && sourceFiles.holds(task.work.report));
        if (onSource && task.refusal.empty()) task.refusal = OutputIsSource;
    }
}

// The worker's record, or the tune's failure: the worker's message (the
// last line it printed), or how it ended when it printed none.
BatchResult resultOf(const ChildRun& run, const BatchTask& task) {
    BatchResult result;
    std::string output = run.output;
    while (!output.empty() && output.back() == '\n') output.pop_back();
    const bool recorded = run.failure.empty() && run.status == 0 && decodeBatchResult(output, result);
    if (!recorded) {
        result = BatchResult{};
        const size_t lineStart = output.rfind('\n');
        result.message = lineStart == std::string::npos ? output : output.substr(lineStart + 1);
        if (!run.failure.empty()) result.message = "The conversion " + run.failure;
        if (result.message.empty()) result.message = "The conversion gave no result";
    }
    result.file = task.source.name;
    return result;
}

BatchResult runTask(const BatchTask& task, const std::string& program) {
    if (!task.refusal.empty()) {
        BatchResult refused;
        refused.file = task.source.name;
        refused.message = task.refusal;
        return refused;
    }
    return resultOf(runChild(program, workerArguments(task.work)), task);
}

// Shows the tunes' lines in the order given as their workers finish, and
// while they work a progress line on a terminal's standard error.
class OrderedLines {
public:
    OrderedLines(std::vector<BatchResult>& all, bool showProgress) : results(all), progress(showProgress) {
        finished.assign(all.size(), false);
    }

    void finish(size_t index, BatchResult result) {
        std::lock_guard<std::mutex> hold(lock);
        results[index] = std::move(result);
        finished[index] = true;
        ++finishedCount;
        clearProgress();
        for (; printed < results.size() && finished[printed]; ++printed)
            std::printf("%s\n", tuneLine(results[printed]).c_str());
        std::fflush(stdout);
        showProgress();
    }
    void start() {
        std::lock_guard<std::mutex> hold(lock);
        showProgress();
    }
    void end() {
        std::lock_guard<std::mutex> hold(lock);
        clearProgress();
    }

private:
    std::vector<BatchResult>& results;
    std::vector<bool> finished;
    size_t printed = 0;
    size_t finishedCount = 0;
    bool progress;
    size_t shownWidth = 0;
    std::mutex lock;

    void clearProgress() {
        if (shownWidth == 0) return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(shownWidth), "");
        shownWidth = 0;
    }
    void showProgress() {
        if (!progress || finishedCount == results.size()) return;
        const std::string text = std::to_string(finishedCount) + " of " +
                                 countText(static_cast<int64_t>(results.size()), {"file", "files"}) + " done";
        std::fprintf(stderr, "%s", text.c_str());
        std::fflush(stderr);
        shownWidth = text.size();
    }
};

std::vector<BatchResult> runTasks(const std::vector<BatchTask>& tasks, int workers) {
    std::vector<BatchResult> results(tasks.size());
    OrderedLines lines(results, stderrIsTerminal());
    const std::string program = runningProgram();
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t index; (index = next++) < tasks.size();)
            lines.finish(index, runTask(tasks[index], program));
    };
    lines.start();
    std::vector<std::thread> pool;
    const size_t poolSize = std::min(tasks.size(), static_cast<size_t>(workers));
    for (size_t k = 0; k < poolSize; ++k) pool.emplace_back(work);
    for (std::thread& thread : pool) thread.join();
    lines.end();
    return results;
}

int workerCount(int asked) {
    if (asked > 0) return asked;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, MostWorkers));
}

// The CSV and the page, each written whole or not at all.
int writeTables(const BatchCommandLine& line, const std::vector<BatchResult>& results,
                const std::vector<std::string>& profileNames) {
    int status = 0;
    const auto write = [&status](const std::string& path, const std::string& text) {
        if (path.empty()) return;
        const Result written = writeWholeFile(path.c_str(), std::vector<uint8_t>(text.begin(), text.end()));
        if (written.failed()) {
            std::printf("%s [%s]\n", written.message(), printableText(path).c_str());
            status = StatusRefused;
        }
    };
    write(line.csvFile, csvTable(results, profileNames));
    write(line.htmlFile, batchPage(results));
    return status;
}

// What refuses the whole run before any tune is read; empty when nothing does.
std::string runRefusal(const BatchCommandLine& line) {
    if (!line.problem.empty()) return line.problem;
    if (line.inputs.empty()) return "No FILE or FOLDER to convert (quavelbatch --help)";
    if (line.reports && line.outFolder.empty()) return "--reports needs --out";
    if (line.outFolder.empty()) return "";
    const std::string holder = sourceFolderHolding(line.outFolder, line.inputs);
    if (holder.empty()) return "";
    return "Output folder [" + printableText(line.outFolder) + "] is inside a source folder [" +
           printableText(holder) + "]";
}

std::string tablesRefusal(const BatchCommandLine& line, const std::vector<BatchSource>& sources) {
    const SourceFiles sourceFiles(sources);
    for (const std::string* path : {&line.csvFile, &line.htmlFile})
        if (!path->empty() && sourceFiles.holds(*path)) return OutputIsSource;
    return "";
}
}  // namespace

int runBatch(int argc, const char* const* argv) {
    const BatchCommandLine line = parseBatchCommandLine(argc, argv);
    if (line.helpWanted) return printUsage();
    const std::string refusal = runRefusal(line);
    if (!refusal.empty()) return refuse(refusal);
    const std::vector<std::string> profileNames = checkedProfileNames(line.conversionOptions);
    const std::vector<BatchSource> sources = batchSources(line.inputs);
    std::vector<BatchTask> tasks = batchTasks(sources, line);
    const std::string shared = sharedOutput(writtenPaths(tasks));
    if (!shared.empty()) return refuse("Two sources for one output [" + printableText(shared) + "]");
    const std::string tables = tablesRefusal(line, sources);
    if (!tables.empty()) return refuse(tables);
    refuseOutputsOnSources(tasks, sources);

    const std::vector<BatchResult> results = runTasks(tasks, workerCount(line.workers));
    std::printf("%s\n", closingLine(results, profileNames).c_str());
    const int tablesStatus = writeTables(line, results, profileNames);
    return tablesStatus != 0 ? tablesStatus : batchStatus(results);
}
