#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What one tune of a batch came to: the worker that converts it hands this
// to the batch as one record, and the table, the CSV and the page read it.

// How the tune fits one profile.
struct BatchProfileResult {
    std::string name;  // as the check lines name the profile
    bool fits = false;
    int32_t findings = 0;
    // The place of the first finding that names one, as the check writes it
    // ("1:02.345 (bar 17 beat 3, track 13 tick 61656)"); empty without one.
    std::string firstPlace;
    int32_t voiceLimit = 0;  // the profile's voices, 0 when it gives none
    // The finding lines, and the time in seconds of each that names a place
    // (negative for one that names none).
    std::vector<std::string> findingLines;
    std::vector<double> findingSeconds;
};

// The voices the voice model counts, and the notes sounding, at a time of the
// written file; a tune's points are the most of each stretch of time.
struct VoicePoint {
    double seconds = 0;
    int32_t voices = 0;
    int32_t notes = 0;
};

struct BatchResult {
    std::string file;  // as given, or its path under a folder given
    bool converted = false;
    std::string message;  // why not, the run's own message
    int64_t bytes = 0;    // of the converted file
    int32_t format = 0;
    int32_t tracks = 0;
    // The most voices at once on a handset that plays every channel, and the
    // notes sounding then.
    int32_t voices = 0;
    int32_t notes = 0;
    std::vector<BatchProfileResult> profiles;
    std::vector<VoicePoint> timeline;
    // Where each bar of the source starts, in seconds of the written file.
    std::vector<double> barSeconds;
    double lengthSeconds = 0;
};

// One record as text without line ends, and back: false for text that is
// not a whole record.
std::string encodeBatchResult(const BatchResult& result);
bool decodeBatchResult(const std::string& text, BatchResult& result);
