#!/usr/bin/env bash
# Makes the MIDI files that the reader is checked against an independent decoder
# with: csvmidi (Debian package midicsv) writes them from the CSV texts here.
set -euo pipefail
cd "$(dirname "$0")"
long_text=$(printf 'A%.0s' $(seq 1 200))
sed "s/@LONG_TEXT@/$long_text/" long_meta.csv.in > long_meta.csv
csvmidi long_meta.csv long_meta.mid
rm long_meta.csv
# The same tune with a chunk of another kind between its two tracks.
/usr/bin/python3 - <<'PY'
data = open("long_meta.mid", "rb").read()
second = data.index(b"MTrk", 14 + 8)
alien = b"XFIH" + (10).to_bytes(4, "big") + b"0123456789"
open("alien_chunk.mid", "wb").write(data[:second] + alien + data[second:])
PY
