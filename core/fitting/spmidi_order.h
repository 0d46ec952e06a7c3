#pragma once
#include <cstdint>
#include <vector>

#include "fitting/fit_tune.h"
#include "fitting/voice_thinning.h"

// The order in which a handset that honours the MIP message keeps channels,
// chosen greedily: first the channel with the most notes whose voices alone
// are within firstLimit, then, step by step, the remaining channel with the
// most notes that keeps the channels so far within voices; ties go by the
// default order. When no channel alone is within firstLimit, the one with the
// most notes is thinned to it first (thinnedFirst tells).
struct ChosenOrder {
    std::vector<int> channels;  // the chosen ones; the rest follow in the default order
    Thinning thinnedFirst;
};
ChosenOrder chooseSpMidiOrder(FitTune& tune, int32_t voices, int32_t firstLimit);

// The most voices of the channels of mask (bit c: channel c) at once, as a
// handset plays them that honours a MIP message before the first event;
// INT32_MAX when one play cannot tell.
int32_t peakVoicesOfChannels(const FitTune& tune, uint16_t mask);

// Thins channel alone to limit voices, if its voices alone pass it.
Thinning thinChannelTo(FitTune& tune, int channel, int32_t limit);
