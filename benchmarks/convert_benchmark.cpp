// Conversion throughput in source bytes per second, on a generated file of
// about 5 MB, at each detection level.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "convert_midi_file.h"
#include "convert_options.h"
#include "midi_generator.h"
#include "smf_header.h"
#include "vfile.h"

namespace {
constexpr int32_t BenchmarkTuneLength = 1 << 24;

// 15 instrument tracks of about 350 KB each.
const Bytes& largeSource() {
    static const Bytes source = [] {
        GeneratorOptions options;
        options.trackCount = 16;
        options.eventsPerTrack = 80000;
        return generateMidiFile(2024, options);
    }();
    return source;
}

bool loadLargeSource() {
    const Bytes& source = largeSource();
    FILE* file = std::fopen("convert_benchmark_source.mid", "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(source.data(), 1, source.size(), file) == source.size();
    if (std::fclose(file) != 0 || !written) return false;
    return inputFile.load("convert_benchmark_source.mid") == 1 && checkSmfHeader(inputFile.data) == 1;
}

void BM_ConvertMidiFile(benchmark::State& state) {
    if (!loadLargeSource()) {
        state.SkipWithError("cannot write or load the source file");
        return;
    }
    resetConvertOptions();
    ConvertOptions.detectLevel = static_cast<int32_t>(state.range(0));
    ConvertOptions.noTimeDetect = static_cast<int32_t>(state.range(1));
    for (auto _ : state) convertMidiFile("convert_benchmark_output.mid", BenchmarkTuneLength);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(largeSource().size()));
    state.counters["source_MB"] = static_cast<double>(largeSource().size()) / 1e6;
    state.counters["tracks"] = SmfHeader.trackCount;
}
}  // namespace

BENCHMARK(BM_ConvertMidiFile)
    ->ArgNames({"level", "noTimeDetect"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);
