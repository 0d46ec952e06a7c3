#pragma once
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"

// max-tempo-changes: a tune of more tempo changes than the profile allows
// keeps the first ones and plays on at the tempo in force at the last of
// them. Every event keeps its time as near as a tick of the new division
// allows: the division is raised so that a tick lasts at most a millisecond,
// as far as a division can be.
void foldTempos(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
