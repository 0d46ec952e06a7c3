#pragma once
#include <string>
#include <vector>

// The tests' fatalError: it records every message and returns, as the GUI's does.
extern std::vector<std::string> fatalErrors;
