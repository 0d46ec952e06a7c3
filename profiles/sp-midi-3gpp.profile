# The SP-MIDI 5-24 voice profile for 3GPP: handsets that play between 5 and
# 24 voices and honour the MIP message.
#
# voices = 24: the top of the 5-24 voice range (midi.org, the page
#   "Scalable Polyphony MIDI (SP-MIDI)").
# formats = 0 1: format 0 or 1, never 2 (handset makers' MIDI authoring
#   guides).
# mip = required: the profile scales by the MIP message, so a file needs one
#   (quavel -S writes it).
# mip-first-max = 6: the first value of the MIP table should be no more than
#   6 voices, so that the smallest handset still plays the first channel
#   (3GPP TS 23.040, Annex H.4 "Restrictions").
# min-note-ms = 5: timing finer than 5 ms is not guaranteed (3GPP TS 23.040,
#   Annex H.4).
# unsupported: channel pressure, pitch bend, individual pan and master volume
#   may not be supported (3GPP TS 23.040, Annex H.4).
voices = 24
formats = 0 1
mip = required
mip-first-max = 6
min-note-ms = 5
unsupported = pitch-bend channel-pressure pan master-volume
