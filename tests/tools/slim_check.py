#!/usr/bin/python3
"""Checks slimmed MIDI files against the files they were slimmed from, read by
an independent decoder (mido). The arguments are triples MODE PLAIN SLIM;
for each it prints one line, "ok <left out> <kept alone>" or "fail <reason>":

- the channel messages of SLIM are those of PLAIN, at the same absolute
  ticks and in the order a handset plays them (by tick, then by track), a
  note-off read as a note-on of velocity 0;
- with MODE "slim" (-Z), every message PLAIN has and SLIM lacks is a control
  or program change that sets what its channel already holds, judged on that
  time line, and every such redundant message that SLIM keeps is alone at
  its tick, where the handset's clock needs an event to step as it did;
- with MODE "merge" (-0 alone), SLIM lacks none of them.
"""
import functools
import sys
from collections import Counter

import mido

SELECTORS = {6, 38, 96, 97, 98, 99, 100, 101}  # data entry and parameter numbers act each time
RESET_ALL_CONTROLLERS = 121


@functools.lru_cache(maxsize=None)  # a plain file is read once for all its variants
def played_events(path):
    """(tick, track, message) of every event up to each track's end, in playing order."""
    events = []
    for track_index, track in enumerate(mido.MidiFile(path, clip=True).tracks):
        tick = 0
        for message in track:
            tick += message.time
            events.append((tick, track_index, message))
            if message.type == "end_of_track":
                break
    events.sort(key=lambda e: (e[0], e[1]))  # stable: a track's own order stays
    return events


def channel_bytes(message):
    if message.type == "note_off":
        return (0x90 | message.channel, message.note, 0)
    return tuple(message.bytes())


class Held:
    """What each channel holds, as a handset sees the tune go by."""

    def __init__(self):
        self.forget_all()

    def forget_all(self):
        self.controls = [dict() for _ in range(16)]
        self.programs = [None] * 16
        self.bank_since = [False] * 16

    def forget(self, channel):
        self.controls[channel] = {}
        self.programs[channel] = None
        self.bank_since[channel] = False

    def redundant(self, message):
        if message.type == "program_change":
            ch = message.channel
            return self.programs[ch] == message.program and not self.bank_since[ch]
        if message.type != "control_change":
            return False
        number, held = message.control, self.controls[message.channel]
        if number in SELECTORS or number >= 120 or held.get(number) != message.value:
            return False
        # a most significant value resets its twin: redundant only while the twin holds nothing
        return number >= 32 or (number + 32) not in held

    def take(self, message):
        ch = getattr(message, "channel", None)
        if message.type == "sysex" and len(message.data) >= 4 and message.data[0] == 0x7E \
                and message.data[2] == 0x09 and message.data[3] in (1, 3):
            self.forget_all()
        elif message.type == "program_change":
            self.programs[ch] = message.program
            self.bank_since[ch] = False
        elif message.type == "control_change" and message.control == RESET_ALL_CONTROLLERS:
            self.forget(ch)
        elif message.type == "control_change":
            self.controls[ch][message.control] = message.value
            if message.control < 32:
                self.controls[ch].pop(message.control + 32, None)
            if message.control in (0, 32):
                self.bank_since[ch] = True


def check(mode, plain_path, slim_path):
    plain = played_events(plain_path)
    slim = played_events(slim_path)
    held = Held()
    redundant = []
    for tick, _, message in plain:
        if not message.is_meta and message.type != "sysex":
            redundant.append(mode == "slim" and held.redundant(message))
        held.take(message)
    plain_channel = [(t, channel_bytes(m)) for t, _, m in plain if not m.is_meta and m.type != "sysex"]
    slim_channel = [(t, channel_bytes(m)) for t, _, m in slim if not m.is_meta and m.type != "sysex"]
    events_at_tick = Counter(t for t, _, _ in slim)
    left_out = kept_alone = 0
    k = 0
    for (tick, message), is_redundant in zip(plain_channel, redundant):
        if k < len(slim_channel) and slim_channel[k] == (tick, message):
            k += 1
            if is_redundant and events_at_tick[tick] > 1:
                return "fail kept a redundant %s at tick %d beside other events" % (message, tick)
            kept_alone += is_redundant
        elif is_redundant:
            left_out += 1
        else:
            return "fail left out %s at tick %d, which changes its channel" % (message, tick)
    if k != len(slim_channel):
        return "fail %s at tick %d is not in the plain file" % (slim_channel[k][1], slim_channel[k][0])
    return "ok %d %d" % (left_out, kept_alone)


if __name__ == "__main__":
    sys.dont_write_bytecode = True
    arguments = sys.argv[1:]
    for triple in zip(arguments[0::3], arguments[1::3], arguments[2::3]):
        print(check(*triple))
