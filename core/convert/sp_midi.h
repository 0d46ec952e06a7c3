#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct SpMidiSettings {
    // Write the MIP message, measured on the converted tune, first in the
    // first track; source MIP messages are left out.
    int32_t enabled = 0;
    // Channels named by the user, highest priority first; the rest follow
    // in the default order.
    std::vector<int> priority;
};

// The channel digits after -S: each a hexadecimal digit, no channel twice.
// False (and `given` untouched) when the text does not have that form.
bool parseSpMidiPriority(const char* digits, std::vector<int>& given);

// True when the conversion leaves this source event out: a MIP message while
// SP-MIDI output is on, so that the output carries exactly one.
bool spMidiLeavesOut(const SpMidiSettings& settings, int32_t kind, const uint8_t* event, int32_t n);
