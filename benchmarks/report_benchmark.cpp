#include <benchmark/benchmark.h>

#include <cstdint>

#include "analysis_report.h"
#include "fatal_error_recorder.h"
#include "midi_generator.h"
#include "test_support.h"
#include "vfile.h"

namespace {
// About 5 MB of source: fifteen instrument tracks and a conductor track.
Bytes largeSource() {
    GeneratorOptions options;
    options.trackCount = 16;
    options.eventsPerTrack = 88000;
    return generateMidiFile(5, options);
}

// Report throughput in megabytes of source per second. The report is built in
// memory only (no report path), so the figure is that of the walk, the
// describers and the growing report buffer, not of the disk.
void analysisReport(benchmark::State& state) {
    const Bytes source = largeSource();
    if (!loadSource(source, "report_benchmark.mid")) {
        state.SkipWithError("cannot load the generated source");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(writeAnalysisReport("report_benchmark.mid", ""));
    if (!fatalErrors.empty()) state.SkipWithError(fatalErrors.front().c_str());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(source.size()));
    state.counters["source_MB"] = static_cast<double>(source.size()) / 1e6;
    state.counters["report_MB"] = static_cast<double>(reportFile.size) / 1e6;
}
}  // namespace

BENCHMARK(analysisReport)->Unit(benchmark::kMillisecond);
