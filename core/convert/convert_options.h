#pragma once
#include <cstdint>

#include "smf/midi_format.h"

constexpr int32_t DefaultTuneLength = 7680;

// The one record through which the front ends and the analysis steer the
// conversion. Index = MIDI channel 0..15.
struct ConvertOptionsRecord {
    int32_t velocityOffset[ChannelCount] = {};
    int32_t instrumentOverride[ChannelCount] = {};
    int32_t channelUsed[ChannelCount] = {};
    int32_t firstProgram[ChannelCount] = {};
    int32_t octaveShift[ChannelCount] = {};
    int32_t analysedLength = 0;
    int32_t tuneLength = 0;
    int32_t detectLevel = 1;
    int32_t noTimeDetect = 0;

    // The user's per-channel velocity and instrument choices.
    void clearChannelChoices();
    // The channel choices and the octave shifts: everything the option dialog sets.
    void clearChannelSettings();
    // What the analysis of a file fills in, and the octave shifts it clears.
    void clearAnalysisResults();
    // Those same fields as another record holds them.
    void takeAnalysisResults(const ConvertOptionsRecord& analysed);
    // Every per-channel value and both lengths; the detection settings stay.
    void reset();
    // tuneLength = roundedTuneLength(tuneLength, analysedLength, division).
    void roundTuneLength(int32_t division);
};

// The tune length a conversion uses: the chosen one, or when none was chosen
// (0) the analysed length rounded up to whole quarter notes.
int32_t roundedTuneLength(int32_t chosen, int32_t analysed, int32_t division);
int signedByte(int32_t v);
void applyVelocityOffset(uint8_t* message, int32_t offset);
