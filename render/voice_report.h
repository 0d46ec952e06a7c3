#pragma once
#include <cstdint>
#include <string>
#include <vector>

// quavelrender --voices: the voices a tune needs on the handset synthesizer,
// found from its own renders, and where notes are lost with fewer.

// The line for the smallest polyphony that renders the tune as at full
// polyphony. At full polyphony there is nothing to compare with, so that
// count says "or more".
std::string neededVoicesLine(const std::string& sourceName, int voices, int notesAtOnce);

// The last millisecond, on the synthesizer's clock, of the events its render
// buffer holding frame plays: the note that found no voice starts in that
// buffer, at that millisecond or up to 5 before it.
int64_t lossMilliseconds(int64_t frame);

class VoiceSearch;

// The needed-voices line and, when fewerVoices is below the need, the line
// of where notes are first lost at that polyphony. The search is the tune's
// and the synthesizer plays it.
std::string voicesReport(const std::string& sourceName, const std::vector<uint8_t>& tune,
                         const VoiceSearch& search, int fewerVoices);
