#pragma once
#include <string>

// The folder of the handset profiles installed with the programs, found from
// where the running program is; empty when that cannot be told.
std::string installedProfileFolder();

// The path of the running program itself; empty when that cannot be told.
std::string runningProgram();
