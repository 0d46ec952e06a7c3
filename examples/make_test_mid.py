#!/usr/bin/python3
"""Writes test.mid, the bundled example: a short format 1 tune in C major at
120 beats per minute, division 480. Track 0 holds the title, tempo, time and
key signatures; tracks 1-3 are piano chords, a bass line and drums, with
program changes, a volume controller and running status throughout."""
import struct

DIVISION = 480
QUARTER = DIVISION


def varlen(n):
    groups = [n & 0x7F]
    n >>= 7
    while n:
        groups.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(groups))


class Track:
    def __init__(self):
        self.body = bytearray()
        self.status = None

    def channel(self, delta, status, *data):
        self.body += varlen(delta)
        if status != self.status:  # running status: repeat no status byte
            self.body.append(status)
        self.status = status
        self.body += bytes(data)

    def meta(self, delta, kind, data):
        self.body += varlen(delta) + bytes([0xFF, kind]) + varlen(len(data)) + data
        self.status = None

    def chunk(self):
        self.meta(0, 0x2F, b"")
        return b"MTrk" + struct.pack(">I", len(self.body)) + bytes(self.body)


def notes(track, channel, events):
    """events: (delta before, [keys], velocity, length) played one after another."""
    for delta, keys, velocity, length in events:
        for i, key in enumerate(keys):
            track.channel(delta if i == 0 else 0, 0x90 | channel, key, velocity)
        for i, key in enumerate(keys):
            track.channel(length if i == 0 else 0, 0x90 | channel, key, 0)


conductor = Track()
conductor.meta(0, 0x03, b"Quavel Example")
conductor.meta(0, 0x51, (500000).to_bytes(3, "big"))
conductor.meta(0, 0x58, bytes([4, 2, 24, 8]))
conductor.meta(0, 0x59, bytes([0, 0]))

piano = Track()
piano.meta(0, 0x03, b"Piano")
piano.channel(0, 0xC0, 0)
piano.channel(0, 0xB0, 7, 100)
chords = [[60, 64, 67], [65, 69, 72], [67, 71, 74], [60, 64, 67]]
notes(piano, 0, [(0, c, 90, 2 * QUARTER) for c in chords[:2]] + [(0, chords[2], 90, 2 * QUARTER)])
piano.channel(0, 0xC0, 48)  # strings for the last chord
notes(piano, 0, [(0, chords[3], 80, 4 * QUARTER)])

bass = Track()
bass.meta(0, 0x03, b"Bass")
bass.channel(0, 0xC1, 33)
bass.channel(0, 0xB1, 7, 110)
notes(bass, 1, [(0, [k], 100, QUARTER) for k in [36, 43, 41, 48, 43, 50, 36, 36]] +
      [(0, [36], 100, 2 * QUARTER)])

drums = Track()
drums.meta(0, 0x03, b"Drums")
pattern = []
for beat in range(10):
    keys = [36, 42] if beat % 2 == 0 else [38, 42]
    pattern.append((0, keys, 110, QUARTER))
notes(drums, 9, pattern)

tracks = [conductor, piano, bass, drums]
header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION)
with open("test.mid", "wb") as out:
    out.write(header + b"".join(t.chunk() for t in tracks))
