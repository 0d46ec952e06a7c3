#pragma once
#include <cstdint>

#include "smf_header.h"

class MTrk;
class VFILE;

// Starts a pass over the source loaded in inputFile: rewinds it, reads the 14
// header bytes into header (bytes the file lacks read as 0, never stale ones)
// and clears the track reader's running status. Track chunks follow.
void beginFilePass(uint8_t* header);
// The same for a source and a reader of a pass's own.
void beginFilePass(VFILE& file, MTrk& reader, uint8_t* header);
