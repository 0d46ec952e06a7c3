// Reader throughput in source bytes per second: one walk over every track of
// the loaded file, each event decoded and its first byte looked at, as every
// pass of the programs begins.
#include <benchmark/benchmark.h>

#include "benchmark_source.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"

namespace {
struct Checksum : TrackVisitor {
    int64_t sum = 0;
    bool onEvent(const MTrk& reader, const WalkPosition&) {
        sum += reader.delta + reader.event[0];
        return true;
    }
};

int64_t readEveryEvent() {
    FilePass pass = defaultFilePass();
    Checksum checksum;
    walkFile(pass, checksum);
    return checksum.sum;
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
