// Handset check throughput in file bytes per second: the one walk that
// measures the file, then each profile's check, for one profile and for the
// five shipped ones (which share the measure).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "benchmark_source.h"
#include "fit/handset_fit.h"
#include "fit/profile_reader.h"

namespace {
// The shipped profiles' settings, without their comments.
const char* const Profiles[] = {
    "voices = 16\nformats = 0 1\nmip = ignored\n",
    "voices = 24\nformats = 0 1\nmip = required\nmip-first-max = 6\nmin-note-ms = 5\n"
    "unsupported = pitch-bend channel-pressure pan master-volume\n",
    "voices = 16\nmax-bytes = 65536\nformats = 0 1\nmip = allowed\n",
    "voices = 32\nmax-bytes = 65536\nformats = 0 1\nmip = allowed\n",
    "voices = 64\nmax-bytes = 65536\nformats = 0 1\nmip = allowed\nkey-range = 12-108\n",
};

void handsetCheckBenchmark(benchmark::State& state) {
    std::vector<HandsetProfile> profiles;
    for (int k = 0; k < state.range(0); ++k) {
        std::istringstream text(Profiles[k]);
        HandsetProfile profile;
        parseHandsetProfile(text, "p", profile);
        profiles.push_back(profile);
    }
    const Bytes& source = benchmarkSource();
    std::vector<HandsetFit> fits;
    for (auto _ : state) benchmark::DoNotOptimize(checkHandsetFits(source, profiles, fits).ok());
    countSourceBytes(state);
}
}  // namespace

BENCHMARK(handsetCheckBenchmark)->ArgNames({"profiles"})->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
