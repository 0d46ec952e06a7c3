#pragma once
#include <benchmark/benchmark.h>

#include <cstdint>

#include "test_support.h"

// The one generated source every stage is measured on: about 5.4 MB, a
// conductor track and fifteen instrument tracks, the same file as the
// whole-run script's (generate_midi OUT 5 16 88000).
const Bytes& benchmarkSource();

// Writes the source to name, loads it into inputFile and checks its header,
// as the analysis would before the other passes. False when any step fails.
bool loadBenchmarkSource(const char* name);

// Figures every stage reports: throughput in source bytes, and the source size.
void countSourceBytes(benchmark::State& state);
