#pragma once
#include <cstdint>

// The line-oriented event text file: its fixed texts and limits, shared by the
// export and the import so both sides speak the same format.
constexpr const char* EVENT_TEXT_SIGNATURE = "-H:MIDI-EventFile";
constexpr const char* FORMAT_PREFIX = "+F:";
constexpr const char* TRACK_COUNT_PREFIX = "+N:";
constexpr const char* DIVISION_PREFIX = "+D:";
constexpr const char* TRACK_START_PREFIX = "-T:";
constexpr const char* TRACK_END_PREFIX = "-TE";
constexpr int PrefixLength = 3;

// Every line ends with CR LF, whatever platform wrote it.
constexpr const char* LINE_END = "\r\n";

// Event lines: the delta time right-aligned in columns 1-7, ":" in column 8.
constexpr int DeltaColumns = 7;
constexpr int EventTextColumn = DeltaColumns + 1;

// A line is read with at most this many characters (the buffer holds one more).
constexpr int LineBufferSize = 1024;
// Bytes taken from one event line.
constexpr int EventByteLimit = 512;

// Beat and bar marks are fixed numbers of ticks, whatever the file's division.
constexpr int32_t BEAT_MARK_STEP = 480;
constexpr int32_t BAR_MARK_STEP = 1920;
