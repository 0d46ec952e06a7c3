#include "console_run.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "analysis_report.h"
#include "command_line.h"
#include "convert_midi_file.h"
#include "convert_options.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "mtrk.h"
#include "output_sink.h"
#include "smf_header.h"
#include "staged_output.h"
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

// The conversion, run into memory on a second core while the report is
// written, from a view of the source with a reader of its own and the
// settings as the conversion would see them. Only its bytes are made early:
// the output file is opened, written and moved in place after the report, as
// in a run on one core, so every message, file and status stays the same.
class EarlyConversion {
public:
    EarlyConversion() = default;
    EarlyConversion(const EarlyConversion&) = delete;
    EarlyConversion& operator=(const EarlyConversion&) = delete;
    ~EarlyConversion() { wait(); }

    // Starts only for a source whose header the report will accept: a
    // refused one ends the run during the report.
    void start() {
        uint8_t header[SmfHeaderSize];
        beginFilePass(header);
        if (checkSmfHeader(header) != 1 || !sourceView.view(inputFile)) return;
        ConvertOptionsRecord options = ConvertOptions;
        options.clearAnalysisResults();  // as the report leaves them
        source.reset(new ConversionSource{sourceView, reader, SmfHeader.trackCount, options});
        const int32_t chosen = ConvertOptions.tuneLength;
        const int32_t division = SmfHeader.division;
        worker = std::thread([this, chosen, division] { run(chosen, division); });
    }

    void wait() {
        if (worker.joinable()) worker.join();
        source.reset();
    }

    // After wait: whether the bytes were made, whole, with the length the run
    // uses. When not (memory ran out, say), the run converts as on one core.
    bool fits(int32_t analysedLength, int32_t tuneLength) const {
        return !memory.outOfMemory && measured == analysedLength && usedLength == tuneLength &&
               usedLength >= 0;
    }

    // As convertMidiFile, with the bytes already made.
    void writeTo(const char* path) {
        const char* result = nullptr;
        {
            StagedOutput output;
            if (!output.open(path) || !output.write(memory.bytes.data(), memory.bytes.size())) {
                result = "Cannot open dest file";
            } else if ((result = failure) == nullptr && !output.commit()) {
                result = "Cannot open dest file";
            }
        }  // the staged file is gone before fatalError ends the process
        if (result != nullptr) fatalError(result);
    }

private:
    VFILE sourceView;
    MTrk reader;
    std::unique_ptr<ConversionSource> source;
    MemoryOutput memory;
    std::thread worker;
    int32_t measured = -1;
    int32_t usedLength = -1;
    const char* failure = nullptr;

    void run(int32_t chosen, int32_t division) {
        measured = measureAnalysedLength(sourceView, reader, source->trackCount);
        usedLength = roundedTuneLength(chosen, measured, division);
        memory.reserve(static_cast<size_t>(sourceView.size));
        failure = convertMidiFrom(*source, memory, usedLength);
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
}  // namespace

int runConsole(int argc, const char* const* argv) {
    clearUserSettings();
    const CommandLine line = parseCommandLine(argc, argv);
    storePath(sourcePath, line.sourceName);
    storePath(outputPath, line.outputName);
    storePath(reportPath, ReportName);

    std::printf("Quavel for Java Apps. Version %s\n", Version);
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
    if (early.fits(ConvertOptions.analysedLength, ConvertOptions.tuneLength)) {
        early.writeTo(outputPath);
    } else {
        convertMidiFile(outputPath, ConvertOptions.tuneLength);
    }
    return 0;
}
