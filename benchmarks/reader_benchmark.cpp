// Reader throughput in source bytes per second: one pass over every track of
// the loaded file, each event decoded and its first byte looked at, as every
// pass of the programs begins.
#include <benchmark/benchmark.h>

#include "benchmark_source.h"
#include "file_pass.h"
#include "mtrk.h"
#include "smf_header.h"
#include "vfile.h"

namespace {
int64_t readEveryEvent() {
    uint8_t header[SmfHeaderSize];
    beginFilePass(header);
    int64_t checksum = 0;
    for (int32_t index = 0; index < SmfHeader.trackCount; ++index) {
        if (!trackReader.load(inputFile)) continue;
        while (trackReader.nextEvent() > 0) checksum += trackReader.delta + trackReader.event[0];
    }
    return checksum;
}

void readerPass(benchmark::State& state) {
    if (!loadBenchmarkSource("reader_benchmark.mid")) {
        state.SkipWithError("cannot load the generated source");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(readEveryEvent());
    countSourceBytes(state);
}
}  // namespace

BENCHMARK(readerPass)->Unit(benchmark::kMillisecond);
