#pragma once
#include <string>
#include <vector>

#include "job/converted_file.h"
#include "slim/slim_settings.h"
#include "test_support.h"

// The real tunes every corpus-wide check of handset files runs on: Debian's
// openttd-openmsx set (empty where it is not installed).
std::vector<std::string> corpusTunePaths();
// The regression files of tests/data/regressions.
std::vector<std::string> regressionTunePaths();
// The names of the profiles the product installs, in the order quavel --profiles lists them.
extern const char* const ShippedProfiles[5];

// Three tracks whose control and program changes often set what their
// channel already holds, from their own track and from another: volume, pan,
// program and pedal again, mod wheel around its least significant twin, bank
// selects, resets of all controllers and GM system on among them; with a
// name and a maker's SysEx message (the enhancer settings of the handset
// synthesizer's maker).
Bytes controllersTune();

// The settings of -Z (slim) and -0 (formatZero).
SlimSettings slimSettings(bool slim, bool formatZero);

// The handset file of a source as quavel makes it with the default settings
// at the given detection level, and the given slimming. made.bytes is empty
// when the header is refused.
ConvertedFile convertForHandset(const Bytes& source, int level, const SlimSettings& slim);
// The same with the SP-MIDI settings and handset profiles of `steps`, and
// its slimming.
ConvertedFile convertForHandset(const Bytes& source, int level, const Job& steps);
