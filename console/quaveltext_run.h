#pragma once

// One run of the event text console program:
//   quaveltext export [-Lreport] SOURCE.mid TEXT.txt   analyse the source, write its event text
//   quaveltext import TEXT.txt OUT.mid                 build a MIDI file from an event text
//   quaveltext --help                                  (also -h, -?) the usage text, status 0
// Returns the exit status: 0 on success, 1 on failure or for arguments that do
// not fit (a usage line is printed). Failures of the core end the process
// through fatalError.
int runQuavelText(int argc, const char* const* argv);
