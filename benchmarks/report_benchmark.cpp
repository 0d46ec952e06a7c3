// Report throughput in megabytes of source per second. The report is streamed
// to no file (no report path), so the figure is that of the walk, the
// describers and the line writer, not of the disk.
#include <benchmark/benchmark.h>

#include "benchmark_source.h"
#include "fatal_error_recorder.h"
#include "job/process_records.h"
#include "report/analysis_report.h"
#include "smf/vfile.h"

namespace {
void analysisReport(benchmark::State& state) {
    if (!loadBenchmarkSource("report_benchmark.mid")) {
        state.SkipWithError("cannot load the generated source");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(writeAnalysisReport("report_benchmark.mid", ""));
    if (!fatalErrors.empty()) state.SkipWithError(fatalErrors.front().c_str());
    countSourceBytes(state);
    state.counters["report_MB"] = static_cast<double>(reportCopy.size) / 1e6;
}
}  // namespace

BENCHMARK(analysisReport)->Unit(benchmark::kMillisecond);
