#!/usr/bin/env bash
# Runs two builds of the console programs over the same tunes and option sets
# and reports every difference in what they print, their exit status and the
# files they write (converted file, report, event text and its import).
# Usage: compare-builds.sh OLD_QUAVEL OLD_QUAVELTEXT NEW_QUAVEL NEW_QUAVELTEXT [TUNE...]
# Without tunes: the bundled example, the test data, the regression files and
# the Debian corpus where it is installed. RUNNER (for example a Wine loader)
# goes in front of every program; for the x86_64 .exe files, start one
# wineserver for the prefix first, so that each run takes milliseconds:
#   WINEPREFIX=/tmp/prefix WINELOADER=/usr/lib/wine/wine64 \
#   WINESERVER=/usr/lib/wine/wineserver64 sh tools/wine-setup.sh
#   RUNNER=/usr/lib/wine/wine64 WINEPREFIX=/tmp/prefix compare-builds.sh OLD.exe ... NEW.exe ...
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
old_quavel=$(realpath "$1") old_text=$(realpath "$2") new_quavel=$(realpath "$3") new_text=$(realpath "$4")
shift 4
tunes=("$@")
if [ ${#tunes[@]} -eq 0 ]; then
  tunes=("$here"/examples/test.mid "$here"/tests/data/*.mid "$here"/tests/data/regressions/*.mid)
  tunes+=(/usr/share/games/openttd/baseset/openmsx/*.mid)
fi
runner=${RUNNER:-}
# Every shipped handset profile at once.
every_profile=$(for profile in "$here"/profiles/*.profile; do printf -- '-P%s ' "$(basename "$profile" .profile)"; done)
option_sets=("" "-D0" "-D2" "-D2 -T1920" "-I0:01 -V1:F0 -I9:20" "-S" "-S9012 -D2" "-T0 -V0:10"
  "$every_profile" "-S $every_profile" "-S9012 -D2 $every_profile" "-Z" "-0" "-0 -Z")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
differences=0 runs=0

# run_in DIR PROGRAM ARGS...: output and status in DIR, the tune copied in as in.mid.
run_in() {
  local dir=$1; shift
  (cd "$dir" && $runner "$@" >stdout 2>&1; echo "status $?" >>stdout)
}

compare_dirs() {
  local label=$1
  runs=$((runs + 1))
  if ! diff -r "$work/old" "$work/new" >/dev/null; then
    differences=$((differences + 1))
    echo "DIFFERENT: $label"
    diff -r "$work/old" "$work/new" | head -n 5
  fi
}

fresh() {
  rm -rf "$work/old" "$work/new"
  mkdir -p "$work/old" "$work/new"
  cp "$1" "$work/old/in.mid"
  cp "$1" "$work/new/in.mid"
}

for tune in "${tunes[@]}"; do
  [ -f "$tune" ] || continue
  for options in "${option_sets[@]}"; do
    fresh "$tune"
    # shellcheck disable=SC2086 # the option sets are words
    run_in "$work/old" "$old_quavel" in.mid out.mid $options
    # shellcheck disable=SC2086
    run_in "$work/new" "$new_quavel" in.mid out.mid $options
    compare_dirs "quavel $(basename "$tune") $options"
  done
  fresh "$tune"
  run_in "$work/old" "$old_text" export in.mid in.txt
  run_in "$work/new" "$new_text" export in.mid in.txt
  if [ -f "$work/old/in.txt" ]; then
    (cd "$work/old" && $runner "$old_text" import in.txt back.mid >>stdout 2>&1)
    (cd "$work/new" && $runner "$new_text" import in.txt back.mid >>stdout 2>&1)
  fi
  compare_dirs "quaveltext $(basename "$tune")"
done
echo "compare-builds: $runs runs, $differences different"
[ "$differences" -eq 0 ]
