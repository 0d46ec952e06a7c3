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
