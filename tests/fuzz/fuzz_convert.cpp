// The conversion at every level, with and without time detection, over the
// bytes the analysis accepted. The first byte picks the settings.
#include <cstdio>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "fuzz_input.h"
#include "job/process_records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t settings = data[0];
    fatalErrors.clear();
    if (!analyseFuzzInput(data + 1, size - 1) || !fatalErrors.empty()) return 0;
    ConvertOptions.detectLevel = settings & 3;
    ConvertOptions.noTimeDetect = (settings >> 2) & 1;
    for (int ch = 0; ch < 16; ++ch) {
        ConvertOptions.velocityOffset[ch] = (settings & 0x08) ? 0xF0 : 0;
        ConvertOptions.instrumentOverride[ch] = (settings & 0x10) ? ch + 1 : 0;
        ConvertOptions.octaveShift[ch] = (settings & 0x20) ? ((settings & 0x40) ? 1 : -1) : 0;
    }
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    convertMidiFile("fuzz-out.mid", (settings & 0x80) ? -5 : ConvertOptions.tuneLength);
    return 0;
}
