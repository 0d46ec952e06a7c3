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

// The handset dialog "HANDSET_DLG". Its profile check boxes are made when it
// opens, one id each from the first; at most IDC_PROFILE_COUNT of them.
#define IDC_CHECK_HEADING 7500
#define IDC_PROFILE_BROWSE 7501
#define IDC_HANDSET_MESSAGE 7502
#define IDC_SPMIDI 7503
#define IDC_PRIORITY_LABEL 7504
#define IDC_PRIORITY 7505
#define IDC_SLIM 7506
#define IDC_FORMAT_ZERO 7507
#define IDC_FIT_LABEL 7508
#define IDC_FIT 7509
#define IDC_PROFILE_FIRST 7600
#define IDC_PROFILE_COUNT 16
