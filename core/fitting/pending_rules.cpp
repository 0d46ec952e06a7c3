#include "fitting/pending_rules.h"

void moveKeysIntoRange(FitTune&, const HandsetProfile&, FitChanges&) {}
void lengthenShortNotes(FitTune&, const HandsetProfile&, FitChanges&) {}
