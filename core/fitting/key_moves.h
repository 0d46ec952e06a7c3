#pragma once
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"

// key-range: every note of a channel that is not a drum channel and lies
// outside the profile's keys goes by whole octaves to the nearest octave
// inside, its note-off and key pressure with it. A note that would land on a
// key still sounding on its channel goes one octave further when that is
// inside and free, else it is left out. A line per channel that changed.
void moveKeysIntoRange(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
