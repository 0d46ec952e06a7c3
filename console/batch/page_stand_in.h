#pragma once
#include <string>
#include <vector>

#include "batch_result.h"

// The batch's page, until the page itself is in: the tunes' lines as text.
std::string batchPage(const std::vector<BatchResult>& results);
