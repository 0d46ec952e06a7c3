#pragma once
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "fitting/fit_tune.h"

// Leaves out the messages of the kinds the profile does not support, as its
// handsets ignore them: one line per kind found, each message counted under
// every unsupported kind it is of (a master volume message is SysEx too).
void leaveOutUnsupported(FitTune& tune, const HandsetProfile& profile, FitChanges& changes);
