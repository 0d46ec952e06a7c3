#!/usr/bin/python3
"""Writes report_sample.mid, the fixed input of the analysis report's golden
test (report_sample.txt is the report both builds must produce from it).
It reaches every branch of the event describers and the report: every meta
type, texts of 128 bytes and more (one longer than the detail field, with
line feeds and high bytes), SysEx, running status, drums, a data byte without
status, a system message met as a channel event, a cut-off last event, a
chunk of another kind, and two announced tracks the file does not hold."""
import os
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from smf_bytes import varlen  # noqa: E402


def meta(delta, kind, data):
    return varlen(delta) + bytes([0xFF, kind]) + varlen(len(data)) + data


def chunk(tag, body):
    return tag + struct.pack(">I", len(body)) + body


long_title = bytes(ord("A") + k % 26 for k in range(130))
long_words = b"".join(b"line %04d \xe9\xfc\n" % k for k in range(128))[:1536]
conductor = b"".join([
    bytes([0x00, 0x3C, 0x40]),  # data byte before any status: "Error"
    meta(0, 0x00, b"\x00\x07"),
    meta(0, 0x01, b"plain text"),
    meta(0, 0x02, b"(c) nobody"),
    meta(0, 0x03, long_title),
    meta(0, 0x04, b"Lead\nLine"),
    meta(0, 0x05, b"a\r\nb"),
    meta(0, 0x06, b"100%s"),
    meta(0, 0x07, b"cue\x00hidden"),
    meta(0, 0x08, b"prog"),
    meta(0, 0x09, b"dev"),
    meta(0, 0x20, b"\x05"),
    meta(0, 0x21, b"\x01"),
    meta(0, 0x51, b"\x07\xA1\x20"),
    meta(480, 0x51, b"\x00\x00\x00"),
    meta(0, 0x51, b"\x0F\x42\x40"),
    meta(0, 0x58, b"\x06\x03\x24\x08"),
    meta(0, 0x58, b"\x04\x02\x18\x08"),
    meta(0, 0x59, b"\xFE\x01"),
    meta(0, 0x59, b"\x00\x00"),
    meta(0, 0x59, b"\x09\x00"),
    meta(0, 0x54, b"\x60\x00\x00\x00\x00"),
    meta(0, 0x7F, b"\x00\x00\x41"),
    meta(0, 0x60, b"\x00"),
    meta(0, 0x2F, b"\x00"),
    meta(0, 0x58, b"\x04\x02\x18"),
    meta(0, 0x01, bytes(ord("a") + k % 26 for k in range(300))),
    meta(0, 0x60, bytes(range(256)) + bytes(44)),
    meta(0, 0x05, long_words),
    meta(0, 0x2F, b""),
])
piano = bytes([
    0x00, 0xC0, 0x00,
    0x00, 0xC0, 0x05,
    0x00, 0xB0, 0x07, 0x64,
    0x00, 0x0A, 0x40,  # running status: controller 10 has no name
    0x00, 0x90, 0x3C, 0x64,
    0x60, 0x40, 0x64,
    0x81, 0x00, 0x3C, 0x00,
    0x00, 0x80, 0x40, 0x40,
    0x00, 0xA0, 0x3C, 0x10,
    0x00, 0xD0, 0x20,
    0x00, 0xE0, 0x00, 0x40,
    0x00, 0x61, 0x00,
    0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3D, 0x40,  # the longest delta time
    0x00, 0x80, 0x3D, 0x40,
]) + meta(0, 0x2F, b"")
drums = b"".join([
    bytes([0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7]),
    bytes([0x00, 0xF7, 0x03, 0x01, 0x02, 0x03]),
    bytes([0x00, 0xF0]) + varlen(144) + bytes(range(0x10, 0x10 + 143)) + b"\xF7",
    bytes([0x00, 0xC9, 0x7F]),
    bytes([0x00, 0x99, 0x24, 0x64, 0x00, 0x26, 0x64, 0x00, 0x14, 0x64]),
    bytes([0x78, 0x89, 0x24, 0x00, 0x00, 0x26, 0x00]),
    meta(0, 0x2F, b""),
])
other = bytes([
    0x00, 0xC1, 0x30,
    0x10, 0x91, 0x30, 0x50,
    0x00, 0xF1, 0x22,  # a system message the reader hands out as a channel event
    0x20, 0x91, 0x30, 0x00,
    0x00, 0xBF, 0x79, 0x00,
    0x00, 0xBF, 0x07, 0x7F,
    0x00, 0x90, 0x3C,  # cut off: the track ends before the velocity
])
header = b"MThd" + struct.pack(">IHHH", 6, 1, 6, 480)
alien = chunk(b"XFIH", b"0123456789")
data = header + chunk(b"MTrk", conductor) + chunk(b"MTrk", piano) + chunk(b"MTrk", drums) + alien + chunk(
    b"MTrk", other)
open("report_sample.mid", "wb").write(data)
