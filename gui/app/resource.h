// Ids of kesto's resources, shared by the resource script and the code;
// plain defines, since the resource compiler reads this file too.
#pragma once

// The per-channel option dialog "OPTION_DLG".
#define IDC_VELOCITY_HEADING 7100
#define IDC_INSTRUMENT_HEADING 7101
#define IDC_DECIDE 7102
#define IDC_RESET 7103
#define IDC_OCTAVE_HEADING 7104
// One of each per channel: the first id plus the channel index 0..15.
#define IDC_CHANNEL_LABEL 7150
#define IDC_VELOCITY_LIST 7200
#define IDC_INSTRUMENT_LIST 7300
#define IDC_OCTAVE_LIST 7400
