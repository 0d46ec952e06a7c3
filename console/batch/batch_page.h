#pragma once
#include <string>
#include <vector>

#include "batch_result.h"

// The batch as one HTML page that loads nothing: a sortable table of the
// tunes against the profiles, and per tune a small picture of its voices and
// notes over time that opens larger. The same results give the same bytes.
std::string batchPage(const std::vector<BatchResult>& results);
