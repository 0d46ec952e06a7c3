#include "convert/convert_options.h"

#include <algorithm>
#include <iterator>

namespace {
void clearChannels(int32_t (&values)[ChannelCount]) {
    std::fill(std::begin(values), std::end(values), 0);
}

void copyChannels(int32_t (&to)[ChannelCount], const int32_t (&from)[ChannelCount]) {
    std::copy(std::begin(from), std::end(from), std::begin(to));
}
}  // namespace

void ConvertOptionsRecord::clearChannelChoices() {
    clearChannels(velocityOffset);
    clearChannels(instrumentOverride);
}

void ConvertOptionsRecord::clearChannelSettings() {
    clearChannelChoices();
    clearChannels(octaveShift);
}

void ConvertOptionsRecord::clearAnalysisResults() {
    clearChannels(channelUsed);
    clearChannels(firstProgram);
    clearChannels(octaveShift);
}

void ConvertOptionsRecord::takeAnalysisResults(const ConvertOptionsRecord& analysed) {
    copyChannels(channelUsed, analysed.channelUsed);
    copyChannels(firstProgram, analysed.firstProgram);
    copyChannels(octaveShift, analysed.octaveShift);
}

void ConvertOptionsRecord::reset() {
    clearChannelChoices();
    clearAnalysisResults();
    tuneLength = 0;
    analysedLength = 0;
}

int32_t roundedTuneLength(int32_t chosen, int32_t analysed, int32_t division) {
    if (chosen != 0) return chosen;
    if (division <= 0) return analysed;  // no quarter-note grid to round to
    const int32_t remainder = analysed % division;
    if (remainder == 0) return analysed;
    // A length near the largest time has no whole quarter note above it that fits.
    const int64_t roundedUp = static_cast<int64_t>(analysed) + division - remainder;
    return roundedUp > INT32_MAX ? INT32_MAX : static_cast<int32_t>(roundedUp);
}

void ConvertOptionsRecord::roundTuneLength(int32_t division) {
    tuneLength = roundedTuneLength(tuneLength, analysedLength, division);
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
