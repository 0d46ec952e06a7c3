#pragma once
#include <string>
#include <vector>

#include "batch_result.h"

// What a batch shows of its tunes: a line per tune on the terminal, a
// closing line, and the CSV table.

// "tune.mid: 1234 bytes, 18 voices (14 notes), gm-lite: 3 findings, voices-64 fits",
// or the tune's name and the message that stopped it.
std::string tuneLine(const BatchResult& result);

// "31 files; gm-lite fits 20, voices-64 fits 31; 1 failure".
std::string closingLine(const std::vector<BatchResult>& results,
                        const std::vector<std::string>& profileNames);

// The exit status: 1 when a tune failed, else 3 when one does not fit a
// profile, else 0.
int batchStatus(const std::vector<BatchResult>& results);

// One field of a CSV row, quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text);

// A header row, then a row per tune and profile (one row for a tune checked
// against none), CR LF after each. A tune that failed has a row for each of
// profileNames, as a tune that converted has for each profile it was checked
// against.
std::string csvTable(const std::vector<BatchResult>& results, const std::vector<std::string>& profileNames);
