#!/usr/bin/python3
"""Counts, with an independent decoder (mido), what the handset check
measures in each MIDI file given: the most notes sounding at once with the
first tick that reaches it and the lowest track with a note-on there, the
pitch bends of each channel and the text events, each with its first place.
One block per file:
    file PATH
    notes N TICK TRACK
    pitch-bend CHANNEL COUNT TRACK TICK   (channels with any, ascending)
    text COUNT TRACK TICK                 (when there are any)
"""
import sys

import mido

TEXT_TYPES = {"text", "copyright", "track_name", "instrument_name", "lyrics", "marker", "cue_marker",
              "sequencer_specific"}


def is_text(message):
    if message.type in TEXT_TYPES:
        return True
    return message.type == "unknown_meta" and (1 <= message.type_byte <= 7 or message.type_byte == 0x7F)


def timed_messages(midi):
    """Each track's messages with their absolute tick and their rank in the file."""
    rank = 0
    tracks = []
    for index, track in enumerate(midi.tracks):
        tick = 0
        timed = []
        for message in track:
            tick += message.time
            timed.append((tick, index, rank, message))
            rank += 1
        tracks.append(timed)
    return tracks


def note_events(timed):
    for tick, track, _, message in timed:
        if message.type == "note_on" or message.type == "note_off":
            on = message.type == "note_on" and message.velocity > 0
            yield tick, track, message.channel, message.note, on


def peak(lines):
    """Counted after the last event of each tick; a re-struck key is one note."""
    best = (0, 0, 0)
    for line in lines:
        sounding = set()
        starts = []  # the tracks with a note-on at this tick
        for i, (tick, track, channel, key, on) in enumerate(line):
            if on:
                sounding.add((channel, key))
                starts.append(track)
            else:
                sounding.discard((channel, key))
            if i + 1 < len(line) and line[i + 1][0] == tick:
                continue
            if starts:
                here = (len(sounding), tick, min(starts))
                if here[0] > best[0] or (here[0] == best[0] and here[1:] < best[1:]):
                    best = here
            starts = []
    return best


def main(paths):
    for path in paths:
        midi = mido.MidiFile(path, clip=True)
        tracks = timed_messages(midi)
        if midi.type == 2:
            lines = [list(note_events(track)) for track in tracks]
        else:
            merged = sorted((event for track in tracks for event in note_events(track)), key=lambda e: e[0])
            lines = [merged]
        print("file %s" % path)
        print("notes %d %d %d" % peak(lines))
        bends = {}
        texts = []
        for track in tracks:
            for tick, index, rank, message in track:
                if message.type == "pitchwheel":
                    bends.setdefault(message.channel, []).append((tick, index, rank))
                elif message.is_meta and is_text(message):
                    texts.append((tick, index, rank))
        for channel in sorted(bends):
            tick, index, _ = min(bends[channel])
            print("pitch-bend %d %d %d %d" % (channel, len(bends[channel]), index, tick))
        if texts:
            tick, index, _ = min(texts)
            print("text %d %d %d" % (len(texts), index, tick))


if __name__ == "__main__":
    main(sys.argv[1:])
