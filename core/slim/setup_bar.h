#pragma once
#include <cstddef>
#include <cstdint>

// A handset's synthesizer, once it has read a tempo, a time signature and a
// GM system on at the start, skips the time up to the next event it reads
// of a track that has started a note. Where a note started before that,
// which event ends the skip depends on every track's events, and leaving one
// out or merging the tracks would move every later note.
//
// The played events of a Standard MIDI File are read in playing order up
// to where the setup bar is complete.
bool noteStartsBeforeTheSetupBar(const uint8_t* file, size_t size);
