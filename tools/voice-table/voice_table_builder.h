#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "playing/voice_release_table.h"

// The voice table as measured, before it is written as source text.
using ReleaseRow = std::array<uint16_t, HeldBandCount>;
struct MeasuredRange {
    int32_t sound;  // 0..127 a melodic program, DrumKitSound the kit
    int32_t firstKey;
    int32_t lastKey;
    int32_t voices;
    int32_t naturalBuffers;
    int32_t releaseRow;
};
struct MeasuredVoiceTable {
    std::vector<MeasuredRange> ranges;  // in order of sound and keys
    std::vector<ReleaseRow> releaseRows;
};

// Every sound: the 128 melodic programs, then the drum kit.
std::vector<int32_t> allVoiceSounds();

// Measures the sounds with the given number of worker threads. The same
// sounds always give the same table, whatever the number of workers.
MeasuredVoiceTable measureVoiceTable(const std::vector<int32_t>& sounds, int workers);

// How the table is written again, from the source folder.
constexpr const char* VoiceTableCommand =
    "build/native/tools/voice-table/voice-table core/playing/voice_release_table.cpp";

// The table as the source file core/playing/voice_release_table.cpp, whose
// header comment names the command that wrote it.
std::string voiceTableSource(const MeasuredVoiceTable& table, const std::string& command);
