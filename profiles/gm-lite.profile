# General MIDI Lite: the MMA's profile for mobile devices.
#
# voices = 16: General MIDI Lite fixes 16 voices (midi.org, the page
#   "Scalable Polyphony MIDI (SP-MIDI)", which names the device profiles
#   General MIDI Lite and the SP-MIDI 5-24 voice profile for 3GPP).
# formats = 0 1: format 0 or 1, never 2 (handset makers' MIDI authoring
#   guides).
# mip = ignored: a General MIDI Lite device plays its 16 voices whatever
#   the file says about scalable polyphony, so every note counts.
voices = 16
formats = 0 1
mip = ignored
