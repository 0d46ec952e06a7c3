#pragma once

// --help, -h and -? ask every console program for its usage text, wherever
// they stand among the arguments.
bool isHelpWord(const char* argument);
