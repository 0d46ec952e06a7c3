#pragma once
#include <cstdint>

#include "base/result.h"

class OutputSink;
struct ConvertOptionsRecord;
struct FilePass;
struct SpMidiSettings;

// Writes the handset version of the pass's file to output, steered by
// options and spMidi (a source MIP message is left out while SP-MIDI output
// is on); tracks other than the first are fitted to tuneLength ticks. The
// failure names what could not be done.
Result convertFile(FilePass& pass, const ConvertOptionsRecord& options, const SpMidiSettings& spMidi,
                   OutputSink& output, int32_t tuneLength);
