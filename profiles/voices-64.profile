# Handsets with a 64-voice synthesizer, such as the embedded synthesizer of
# Android phones.
#
# voices = 64: handsets have 4, 16, 24, 32, 40 or 64 voices by model
#   generation (handset ringtone guides and developer forum threads on
#   polyphonic ringtones); the embedded synthesizer is built with 64 voices
#   on phones (libsonivox, also in Debian: its arm-wt-22k/lib_src/eas_smf.c
#   and eas_synth.h).
# max-bytes = 65536: the audio budget of a handset Java game is typically
#   7-30 KB in all, and JARs of at most about 100 KB are recommended
#   (game-audio guides for handset Java); 64 KB keeps one tune well inside
#   such a JAR.
# formats = 0 1: format 0 or 1, never 2 (handset makers' MIDI authoring
#   guides).
# mip = allowed: no MIP message is needed; one that is there is honoured.
# key-range = 12-108: the embedded synthesizer has voices for keys 12 to 108
#   only, and notes outside them are silent (the same sources). The drum
#   channel is not held to it.
# max-tracks = 100: Debian's build refuses files with more tracks (error -14
#   at prepare), measured with libsonivox 3.6.11.
voices = 64
max-bytes = 65536
formats = 0 1
mip = allowed
key-range = 12-108
max-tracks = 100
