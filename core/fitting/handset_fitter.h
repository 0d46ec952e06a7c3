#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "convert/sp_midi.h"
#include "fit/handset_fit.h"
#include "fit/handset_profile.h"
#include "fitting/fit_changes.h"
#include "slim/slim_settings.h"
#include "slim/slimming.h"

// The fit (-F): the converted file changed until it plays on a profile's
// handsets, in two parts around the MIP message, each change said in a line.

// What the first part needs of the conversion it follows.
struct EventFitInput {
    const uint8_t* source;
    size_t sourceSize;
    int32_t runningStatusMode;  // the conversion's
};

// The rules on the events, in order: unsupported messages, keys, note
// lengths, tempos, voices. Only what breaks the profile changes; a file that
// the rules cannot rewrite, or that breaks none of them, stays as it is. The
// voices of a handset that honours the MIP message are fitted by the order
// of its channels: spMidi is enabled with the chosen order unless it gave one.
Result fitEvents(std::vector<uint8_t>& bytes, const EventFitInput& input, const HandsetProfile& profile,
                 SpMidiSettings& spMidi, FitChanges& changes);

// After the MIP message: format 0 where the profile's formats or tracks ask
// for it, then, over max-bytes, slimming, format 0 when smaller and last the
// copyright notice; with the slimming asked, all of it in one step whose
// outcome is slim.
Result fitFormatAndSize(std::vector<uint8_t>& bytes, const HandsetProfile& profile, const SlimSettings& asked,
                        SlimOutcome& slim, FitChanges& changes);

// The closing line, once the fitted file is checked.
std::string fitClosingLine(const FitChanges& changes, const HandsetFit& checked);
