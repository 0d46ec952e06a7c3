// Slimming throughput in converted bytes per second, for -Z, -0 and both,
// on the benchmark source converted once at level 1.
#include <benchmark/benchmark.h>

#include <vector>

#include "benchmark_source.h"
#include "convert/convert_options.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "report/analysis_report.h"
#include "slim/slimming.h"

namespace {
const std::vector<uint8_t>& convertedSource() {
    static const std::vector<uint8_t> converted = [] {
        ConvertedFile made;
        if (!loadBenchmarkSource("slim_benchmark_source.mid")) return made.bytes;
        resetConvertOptions();
        FilePass pass = defaultFilePass();
        const int32_t tuneLength = roundedTuneLength(0, measureAnalysedLength(pass), pass.header.division);
        if (makeConvertedFile(pass, jobFromConvertOptions(), tuneLength, made).failed()) made.bytes.clear();
        return made.bytes;
    }();
    return converted;
}

void slimFileBenchmark(benchmark::State& state) {
    const std::vector<uint8_t>& converted = convertedSource();
    if (converted.empty()) {
        state.SkipWithError("cannot convert the source file");
        return;
    }
    SlimSettings settings;
    settings.slim = static_cast<int32_t>(state.range(0));
    settings.formatZero = static_cast<int32_t>(state.range(1));
    size_t slimmedSize = 0;
    SlimOutcome outcome;
    for (auto _ : state) {
        std::vector<uint8_t> bytes = converted;
        slimFile(settings, bytes, outcome);
        slimmedSize = outcome.bytesAfter;
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(converted.size()));
    state.counters["converted"] = static_cast<double>(converted.size());
    state.counters["slimmed"] = static_cast<double>(slimmedSize);
}
}  // namespace

BENCHMARK(slimFileBenchmark)
    ->ArgNames({"Z", "0"})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);
