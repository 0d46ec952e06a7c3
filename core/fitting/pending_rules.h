#pragma once
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"

void moveKeysIntoRange(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
void lengthenShortNotes(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
