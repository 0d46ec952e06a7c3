"""Edits of MIDI files that the sweeps share, written with mido."""
import mido


def without_notes(tune, channels, out):
    """Writes tune to out without the notes (note-ons and note-offs) of channels, every other event at its time."""
    midi = mido.MidiFile(tune, clip=True)
    for track in midi.tracks:
        kept, carried = [], 0
        for message in track:
            carried += message.time
            if message.type in ("note_on", "note_off") and message.channel in channels:
                continue
            kept.append(message.copy(time=carried))
            carried = 0
        track[:] = kept
    midi.save(out)


def with_channels_muted_at_any_polyphony(tune, channels, out):
    """Writes tune to out with the MIP value of channels raised to 127 in every MIP message, so that
    a synthesizer of up to 127 voices mutes them as before, and plays the rest as before."""
    midi = mido.MidiFile(tune, clip=True)
    for track in midi.tracks:
        for index, message in enumerate(track):
            data = list(message.data) if message.type == "sysex" else []
            if len(data) < 4 or data[0] != 0x7F or data[2:4] != [0x0B, 0x01]:
                continue
            for at in range(4, len(data) - 1, 2):
                if data[at] in channels:
                    data[at + 1] = 0x7F
            track[index] = message.copy(data=data)
    midi.save(out)
