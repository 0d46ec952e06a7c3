#pragma once
#include <cstdint>

#include "base/result.h"

class OutputSink;
struct FilePass;

// Writes the file loaded in inputFile as event text to textPath. The caller has
// loaded the source and run writeAnalysisReport on it (the track count comes
// from that check). Returns 1 when the whole file was written, 0 when it could
// not be created or written.
int exportEventText(const char* textPath);
// The same for a pass of the caller's: its header record gives the track count.
Result writeEventText(FilePass& pass, const char* textPath);

// Each byte as "%02X ", then a line end if asked; false when writing failed.
bool writeHexBytes(OutputSink& sink, const uint8_t* bytes, int32_t count, bool endLine);

// A note-off or note-on event (three bytes): status, note name (or percussion
// abbreviation on channel index 9, or hex for notes the names do not cover),
// velocity; then a line end if asked; false when writing failed.
bool writeNoteEvent(OutputSink& sink, const uint8_t* event, bool endLine);
