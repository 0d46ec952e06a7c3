#pragma once
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"

// min-note-ms: a note shorter than the profile's minimum, by the tune's own
// tempo map, has its note-off moved later to where it reaches the minimum,
// when that is no later than the next note event of its channel and key. A
// note that cannot get there stays as it is. Nothing for a division of 0 or
// of SMPTE time.
void lengthenShortNotes(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
