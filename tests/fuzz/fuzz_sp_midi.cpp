// Scalable polyphony: the MIP measurement over any bytes, then the console's
// two conversions with SP-MIDI output over the bytes the analysis accepted.
// The first byte picks the given priority channel and the detection level.
#include <cstdio>
#include <vector>

#include "convert_midi_file.h"
#include "convert_options.h"
#include "fatal_error_recorder.h"
#include "fuzz_input.h"
#include "sp_midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t settings = data[0];
    const std::vector<int> given = {settings & 0x0F};
    computeSpMidiMips(data + 1, size - 1, given);
    fatalErrors.clear();
    if (!analyseFuzzInput(data + 1, size - 1) || !fatalErrors.empty()) return 0;
    ConvertOptions.detectLevel = (settings >> 4) & 3;
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    SpMidi = SpMidiSettings();
    SpMidi.enabled = 1;
    SpMidi.priority = given;
    std::vector<uint8_t> converted;
    if (convertMidiFileToMemory(converted, ConvertOptions.tuneLength)) {
        SpMidi.message = spMidiMessage(computeSpMidiMips(converted.data(), converted.size(), given));
        convertMidiFileToMemory(converted, ConvertOptions.tuneLength);
    }
    SpMidi = SpMidiSettings();
    return 0;
}
