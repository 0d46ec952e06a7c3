// Event text export throughput in source bytes per second, the text file
// written to disk as the program does.
#include <benchmark/benchmark.h>

#include "benchmark_source.h"
#include "event_text_export.h"

namespace {
void eventTextExport(benchmark::State& state) {
    if (!loadBenchmarkSource("export_benchmark.mid")) {
        state.SkipWithError("cannot load the generated source");
        return;
    }
    for (auto _ : state) {
        if (!exportEventText("export_benchmark.txt")) state.SkipWithError("cannot write the event text");
    }
    countSourceBytes(state);
}
}  // namespace

BENCHMARK(eventTextExport)->Unit(benchmark::kMillisecond);
