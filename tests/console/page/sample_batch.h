#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "batch_result.h"

// Made-up batch results with the shape of real ones: a timeline of the given
// points whose counts change at nearly every point, a bar every two seconds,
// and three profiles of 16, 24 and 32 voices with a finding at each place
// the voices pass a limit. The same arguments give the same results.
BatchResult sampleTune(int32_t index, int32_t timelinePoints);
// Tunes named tune1.mid ... tuneN.mid.
std::vector<BatchResult> sampleBatch(int32_t tunes, int32_t timelinePoints);
// A tune that did not convert, with the run's message.
BatchResult failedTune(const std::string& file, const std::string& message);
