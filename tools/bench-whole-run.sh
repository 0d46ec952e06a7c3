#!/usr/bin/env bash
# Whole-run timing of quavel against the tools MIDI users already have:
# midicsv (a C dump to CSV) and the Python library mido (reading a file and
# walking all its messages). A generated 5 MB file (median of several runs,
# as ratios) and a folder of small files (time per file). Not a test: it
# prints figures.
#   RUNS       runs of each command on the big file (default 10)
#   MIDO_RUNS  runs of mido on the big file, which takes seconds (default 3)
#   BUILD_ROOT folder of the build trees (default build)
#   BEFORE     another quavel to measure in the same run, in turn (optional)
#   TURNS      runs of each command, in turn, for the table of wall, user and
#              system time and peak memory (default 7); quavel runs plain, as
#              -S -Psp-midi-3gpp -Pvoices-16 ("check") and as -Z -0 ("slim")
#   SKIP_MIDO  set to 1 to leave out mido and the small files
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
runs=${RUNS:-10}
mido_runs=${MIDO_RUNS:-3}
. tools/lib/bench-files.sh
work="$root/bench"
makeBenchFiles "$work"
mkdir -p "$work/small"
for i in $(seq 1 200); do "$root/native/tests/generate_midi" "$work/small/s$i.mid" "$i" 4 150; done
cd "$work"
echo "big file: $(wc -c < big.mid) bytes"

# mido reads every file named on its command line in one interpreter; the
# interpreter's start is timed on its own.
cat > read_with_mido.py <<'PY'
import sys
import mido

messages = 0
for path in sys.argv[1:]:
    for track in mido.MidiFile(path).tracks:
        for message in track:
            messages += 1
PY

# Outputs are removed before each run: overwriting a large file that the
# kernel is still writing back made single runs of either tool several times
# slower, at random.
hyperfine --warmup 2 --runs "$runs" --export-json big.json --prepare "rm -f quavel.log out.mid big.csv" \
  -n quavel "$quavel big.mid out.mid" \
  -n midicsv "midicsv big.mid big.csv" >/dev/null
# Each command in turn, outputs removed before each run: medians of wall,
# user and system time and of peak memory (/usr/bin/time).
turns=${TURNS:-7}
# The handset steps against a plain run: the MIP message and two checks, and the slimming.
check_options=(-S -Psp-midi-3gpp -Pvoices-16)
slim_options=(-Z -0)
before=${BEFORE:+$(realpath "$OLDPWD/$BEFORE" 2>/dev/null || realpath "$BEFORE")}
: > turns.txt
for file in big big20; do
  for turn in $(seq 1 "$turns"); do
    for tool in ${before:+before before-check before-slim} quavel quavel-check quavel-slim midicsv; do
      rm -f quavel.log out.mid "$file.csv"
      case $tool in
        before) command=("$before" "$file.mid" out.mid) ;;
        before-check) command=("$before" "$file.mid" out.mid "${check_options[@]}") ;;
        before-slim) command=("$before" "$file.mid" out.mid "${slim_options[@]}") ;;
        quavel) command=("$quavel" "$file.mid" out.mid) ;;
        quavel-check) command=("$quavel" "$file.mid" out.mid "${check_options[@]}") ;;
        quavel-slim) command=("$quavel" "$file.mid" out.mid "${slim_options[@]}") ;;
        midicsv) command=(midicsv "$file.mid" "$file.csv") ;;
      esac
      # Status 3 is the check's answer for these files: they do not fit.
      /usr/bin/time -f "$file $tool %e %U %S %M" -a -o turns.txt "${command[@]}" >/dev/null || [ $? = 3 ]
    done
  done
done
/usr/bin/python3 - <<'PY'
import collections, statistics
runs = collections.defaultdict(list)
for line in open("turns.txt"):
    if line.startswith("Command exited"):  # /usr/bin/time's note of status 3
        continue
    file, tool, *values = line.split()
    runs[(file, tool)].append([float(v) for v in values])
print("in turn, medians of %d: file tool wall(s) user(s) sys(s) peak(MiB)" % len(next(iter(runs.values()))))
for (file, tool), values in runs.items():
    med = [statistics.median(column) for column in zip(*values)]
    print("  %-6s %-8s %6.3f %6.3f %6.3f %7.1f" % (file, tool, med[0], med[1], med[2], med[3] / 1024))
PY
[ "${SKIP_MIDO:-0}" = 1 ] && exit 0

hyperfine --warmup 1 --runs "$mido_runs" --export-json mido.json \
  -n mido-big "/usr/bin/python3 read_with_mido.py big.mid" \
  -n mido-small "/usr/bin/python3 read_with_mido.py small/*.mid" \
  -n mido-start "/usr/bin/python3 read_with_mido.py" >/dev/null
hyperfine --warmup 1 --runs 3 --export-json small.json \
  -n quavel "for f in small/*.mid; do $quavel \$f small-out.mid >/dev/null; done" \
  -n midicsv "for f in small/*.mid; do midicsv \$f small.csv; done" >/dev/null

# The outputs once more, for their sizes.
"$quavel" big.mid out.mid >/dev/null
midicsv big.mid big.csv

/usr/bin/python3 - "$(ls small | wc -l)" <<'PY'
import json, os, statistics, sys
files = int(sys.argv[1])
def medians(name):
    return {r["command"]: statistics.median(r["times"]) for r in json.load(open(name))["results"]}
big = medians("big.json")
mido = medians("mido.json")
small = medians("small.json")
print("5 MB file, median of runs:  quavel %.1f ms   midicsv %.1f ms   mido %.1f ms"
      % (big["quavel"] * 1e3, big["midicsv"] * 1e3, mido["mido-big"] * 1e3))
print("  ratio quavel/midicsv %.2f   quavel/mido %.3f" % (big["quavel"] / big["midicsv"], big["quavel"] / mido["mido-big"]))
print("  written: quavel report %.1f MB + converted file %.1f MB   midicsv CSV %.1f MB"
      % (os.path.getsize("quavel.log") / 1e6, os.path.getsize("out.mid") / 1e6, os.path.getsize("big.csv") / 1e6))
print("%d small files, per file:  quavel %.2f ms   midicsv %.2f ms   mido %.2f ms (one interpreter, start %.0f ms not counted)"
      % (files, small["quavel"] * 1e3 / files, small["midicsv"] * 1e3 / files,
         (mido["mido-small"] - mido["mido-start"]) * 1e3 / files, mido["mido-start"] * 1e3))
PY
