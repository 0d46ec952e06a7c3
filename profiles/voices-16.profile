# Handsets with a 16-voice synthesizer.
#
# voices = 16: handsets have 4, 16, 24, 32, 40 or 64 voices by model
#   generation, and notes past the limit are dropped or stolen (handset
#   ringtone guides and developer forum threads on polyphonic ringtones).
# max-bytes = 65536: the audio budget of a handset Java game is typically
#   7-30 KB in all, and JARs of at most about 100 KB are recommended
#   (game-audio guides for handset Java); 64 KB keeps one tune well inside
#   such a JAR.
# formats = 0 1: format 0 or 1, never 2 (handset makers' MIDI authoring
#   guides).
# mip = allowed: such handsets need no MIP message, and one that honours it
#   plays only the channels whose MIP is at most 16.
voices = 16
max-bytes = 65536
formats = 0 1
mip = allowed
