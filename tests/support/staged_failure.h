#pragma once
#include <functional>
#include <set>
#include <string>

#include "smf/staged_output.h"

// The names of the files in folder.
std::set<std::string> filesIn(const std::string& folder);

// Makes a writer fail at each stage of its staged output in turn: its open,
// its write number middleWrite, its close and its move. Before each, target
// (a file in folder) holds the same earlier bytes; after each, the target is
// byte-identical to them, the folder holds exactly the files it held, and the
// failure was reached. write runs the writer and returns whether it said it
// succeeded (a writer that says nothing returns false).
void expectEveryFailureLeavesTheTarget(const std::string& folder, const std::string& target, int middleWrite,
                                       const std::function<bool()>& write);
