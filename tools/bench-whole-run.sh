#!/usr/bin/env bash
# Whole-run timing of quavel against midicsv, the dump tool MIDI users already
# have: a generated 5 MB file (median of several runs, as a ratio) and a folder
# of small files (time per file). Not a test: it prints figures.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
runs=${RUNS:-10}
cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/native" -j "$(nproc)" --target quavel generate_midi >/dev/null
quavel=$(realpath "$root/native/console/quavel")
work="$root/bench"
rm -rf "$work" && mkdir -p "$work/small"
"$root/native/tests/generate_midi" "$work/big.mid" 5 16 88000
for i in $(seq 1 200); do "$root/native/tests/generate_midi" "$work/small/s$i.mid" "$i" 4 150; done
cd "$work"
echo "big file: $(wc -c < big.mid) bytes"

hyperfine --warmup 2 --runs "$runs" --export-json big.json \
  -n quavel "$quavel big.mid out.mid" \
  -n midicsv "midicsv big.mid big.csv" >/dev/null
hyperfine --warmup 1 --runs 3 --export-json small.json \
  -n quavel "for f in small/*.mid; do $quavel \$f small-out.mid >/dev/null; done" \
  -n midicsv "for f in small/*.mid; do midicsv \$f small.csv; done" >/dev/null

/usr/bin/python3 - "$(ls small | wc -l)" <<'PY'
import json, statistics, sys
files = int(sys.argv[1])
def medians(name):
    return {r["command"]: statistics.median(r["times"]) for r in json.load(open(name))["results"]}
big = medians("big.json")
small = medians("small.json")
print("5 MB file, median of runs:  quavel %.1f ms   midicsv %.1f ms   ratio quavel/midicsv %.2f"
      % (big["quavel"] * 1e3, big["midicsv"] * 1e3, big["quavel"] / big["midicsv"]))
print("%d small files, per file:  quavel %.2f ms   midicsv %.2f ms"
      % (files, small["quavel"] * 1e3 / files, small["midicsv"] * 1e3 / files))
PY
