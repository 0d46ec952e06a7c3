#include "benchmark_source.h"

#include <benchmark/benchmark.h>

#include "midi_generator.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"

const Bytes& benchmarkSource() {
    static const Bytes source = [] {
        GeneratorOptions options;
        options.trackCount = 16;
        options.eventsPerTrack = 88000;
        return generateMidiFile(5, options);
    }();
    return source;
}

bool loadBenchmarkSource(const char* name) {
    return loadSource(benchmarkSource(), name) && checkSmfHeader(inputFile.data) == 1;
}

void countSourceBytes(benchmark::State& state) {
    const auto size = static_cast<int64_t>(benchmarkSource().size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.counters["source_MB"] = static_cast<double>(size) / 1e6;
}
