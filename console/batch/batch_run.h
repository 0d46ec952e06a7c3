#pragma once

// One whole quavelbatch run: arguments, the checks made before any tune is
// read, the tunes converted by workers, the lines in order, the CSV and the
// page. Returns the exit status: 0 when every tune converted and fits, 3
// when one does not fit, 1 when one failed or the run was refused.
int runBatch(int argc, const char* const* argv);
