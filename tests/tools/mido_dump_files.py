#!/usr/bin/python3
"""Prints the events of several MIDI files as mido_dump does, each file
introduced by a line "file <path>"; one interpreter start for all of them."""
import os
import sys

sys.dont_write_bytecode = True  # leave no cache in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import mido_dump  # noqa: E402

for path in sys.argv[1:]:
    print("file %s" % path)
    mido_dump.main(path)
