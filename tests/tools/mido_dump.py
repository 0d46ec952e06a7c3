#!/usr/bin/python3
"""Prints every event of every track of a MIDI file as an independent decoder
(mido) reads it, one line each: track index, delta time, kind (1 meta,
2 sysex, 3 channel) and the event's bytes as the file holds them, running
status resolved."""
import sys

import mido

sys.dont_write_bytecode = True  # leave no cache in the source tree
from smf_bytes import varlen  # noqa: E402


def event_bytes(message):
    if message.type == "sysex":
        data = bytes(message.data) + b"\xF7"
        return b"\xF0" + varlen(len(data)) + data
    return bytes(message.bytes())


def kind(message):
    if message.is_meta:
        return 1
    return 2 if message.type == "sysex" else 3


def main(path):
    for index, track in enumerate(mido.MidiFile(path, clip=True).tracks):
        for message in track:
            hex_bytes = " ".join("%02X" % b for b in event_bytes(message))
            print("%d %d %d %s" % (index, message.time, kind(message), hex_bytes))


if __name__ == "__main__":
    main(sys.argv[1])
