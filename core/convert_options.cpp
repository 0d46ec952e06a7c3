#include "convert_options.h"

#include "smf_header.h"

ConvertOptionsRecord ConvertOptions;

void resetConvertOptions() {
    for (int ch = 0; ch < ChannelCount; ++ch) {
        ConvertOptions.velocityOffset[ch] = 0;
        ConvertOptions.instrumentOverride[ch] = 0;
        ConvertOptions.channelUsed[ch] = 0;
        ConvertOptions.firstProgram[ch] = 0;
        ConvertOptions.octaveShift[ch] = 0;
    }
    ConvertOptions.tuneLength = 0;
    ConvertOptions.analysedLength = 0;
}

void roundTuneLength() {
    if (ConvertOptions.tuneLength != 0) return;
    const int32_t analysed = ConvertOptions.analysedLength;
    ConvertOptions.tuneLength = analysed;
    const int32_t division = SmfHeader.division;
    if (division <= 0) return;  // no quarter-note grid to round to
    const int32_t remainder = analysed % division;
    if (remainder != 0) ConvertOptions.tuneLength = analysed + division - remainder;
}

int signedByte(int32_t v) {
    const int low = v & 0xFF;
    return (low & 0x80) ? low - 256 : low;
}

void applyVelocityOffset(uint8_t* message, int32_t offset) {
    int v = message[2] & 0x7F;
    if (v == 0) return;
    v += signedByte(offset);
    if (v < 1) v = 1;
    if (v > 127) v = 127;
    message[2] = static_cast<uint8_t>(v);
}
