// Conversion throughput in source bytes per second, at each detection level.
// The figure includes writing the output file (staged and moved into place).
#include <benchmark/benchmark.h>

#include "benchmark_source.h"
#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "job/process_records.h"
#include "smf/smf_header.h"

namespace {
constexpr int32_t BenchmarkTuneLength = 1 << 24;

void convertMidiFileBenchmark(benchmark::State& state) {
    if (!loadBenchmarkSource("convert_benchmark_source.mid")) {
        state.SkipWithError("cannot write or load the source file");
        return;
    }
    resetConvertOptions();
    ConvertOptions.detectLevel = static_cast<int32_t>(state.range(0));
    ConvertOptions.noTimeDetect = static_cast<int32_t>(state.range(1));
    for (auto _ : state) convertMidiFile("convert_benchmark_output.mid", BenchmarkTuneLength);
    countSourceBytes(state);
    state.counters["tracks"] = SmfHeader.trackCount;
}
}  // namespace

BENCHMARK(convertMidiFileBenchmark)
    ->ArgNames({"level", "noTimeDetect"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);
