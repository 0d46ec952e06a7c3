// Scalable polyphony: the MIP measurement over any bytes, then the handset
// file with SP-MIDI output made from the bytes the analysis accepted.
// The first byte picks the given priority channel and the detection level.
#include <cstdio>
#include <vector>

#include "convert/convert_options.h"
#include "convert/sp_midi.h"
#include "fatal_error_recorder.h"
#include "fuzz_input.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "playing/mip_measure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t settings = data[0];
    const std::vector<int> given = {settings & 0x0F};
    std::vector<SpMidiEntry> entries;
    computeSpMidiMips(data + 1, size - 1, given, entries);
    fatalErrors.clear();
    if (!analyseFuzzInput(data + 1, size - 1) || !fatalErrors.empty()) return 0;
    ConvertOptions.detectLevel = (settings >> 4) & 3;
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    FilePass pass = defaultFilePass();
    Job job = jobFromConvertOptions();
    job.spMidi.enabled = 1;
    job.spMidi.priority = given;
    ConvertedFile made;
    makeConvertedFile(pass, job, job.options.tuneLength, made);
    return 0;
}
