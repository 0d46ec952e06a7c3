#pragma once
#include <optional>
#include <vector>

#include "convert/convert_options.h"
#include "convert/sp_midi.h"
#include "fit/handset_profile.h"
#include "slim/slim_settings.h"

// What one run is asked to do with a loaded file. A front end builds it
// (the console from its command line, kesto from its window and dialog,
// quaveltext from its arguments) and hands it down: no pass reads settings
// of the process.
struct Job {
    // The conversion's settings; the analysis fills in its channel facts.
    ConvertOptionsRecord options;
    SpMidiSettings spMidi;
    SlimSettings slim;
    // The handset profiles the converted file is checked against, in turn.
    std::vector<HandsetProfile> profiles;
    // The profile the converted file is changed to fit (-F), then checked
    // against first; the others are only checked.
    std::optional<HandsetProfile> fit;

    // The profiles the converted file is checked against: the fit's first,
    // then the others, one of the fit's name not twice.
    std::vector<HandsetProfile> checkedProfiles() const;
};
