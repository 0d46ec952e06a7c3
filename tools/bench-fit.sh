#!/usr/bin/env bash
# Whole-run timing of quavel -F against a plain run of the same file, in
# turn: the generated 5 MB and 20 MB files of the other benchmarks, made to
# fit gm-lite (thinning) and sp-midi-3gpp (every rule that applies). Prints
# one line per run (file, run, seconds, peak KB), then the medians. Not a
# test: it prints figures.
#   ROUNDS     rounds of the runs, in turn (default 5)
#   BUILD_ROOT folder of the build trees (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
rounds=${ROUNDS:-5}
. tools/lib/bench-files.sh
work="$root/bench-fit"
makeBenchFiles "$work"
cd "$work"
times=times.txt
: > "$times"
for _ in $(seq 1 "$rounds"); do
  for file in big.mid big20.mid; do
    for run in plain gm-lite sp-midi-3gpp; do
      option=()
      [ "$run" = plain ] || option=("-F$run")
      # Status 3 is the answer for these files, not a failure.
      /usr/bin/time -f "$file $run %e %M" "$quavel" "${option[@]}" "$file" out.mid >/dev/null 2>>"$times" || true
    done
  done
done
grep -v 'exited' "$times"
echo "medians (seconds, peak KB):"
grep -v 'exited' "$times" | sort -k1,1 -k2,2 -k3,3n | awk '
  { key = $1 " " $2; n[key]++; t[key, n[key]] = $3; m[key] = $4 }
  END { for (key in n) print key, t[key, int((n[key] + 1) / 2)], m[key] }' | sort
