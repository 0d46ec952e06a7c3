#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined sanitizers)
# and runs each for a bounded time from seeds the project generates.
# FUZZ_SECONDS sets the time per target (default 30). A crash fails the run and
# leaves its input in build/fuzz/crashes/ to become a regression case.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
seconds=${FUZZ_SECONDS:-30}
dir="$root/fuzz"
mkdir -p "$root"
CC=clang CXX=clang++ cmake -S . -B "$dir" -DBUILD_TESTING=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAVEL_SANITIZE=ON -DQUAVEL_FUZZ=ON \
  >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
# Each target with the seed folder it starts from; they run side by side, one per core.
pairs=(fuzz_reader:midi fuzz_report:midi fuzz_convert:midi fuzz_sp_midi:midi fuzz_handset_check:handset
  fuzz_slim:midi fuzz_command_line:args fuzz_text_import:text)
# Only what fuzzing needs: the targets, and the programs that make their seeds.
cmake --build "$dir" -j "$(nproc)" --target generate_midi quaveltext "${pairs[@]%%:*}"

seeds="$dir/seeds"
rm -rf "$seeds" && mkdir -p "$seeds/midi" "$seeds/text" "$seeds/args" "$dir/crashes"
for i in 1 2 3 4 5 6; do "$dir/tests/generate_midi" "$seeds/midi/g$i.mid" "$i" 3 30 $((i % 2)); done
cp examples/test.mid tests/data/*.mid tests/data/regressions/*.mid "$seeds/midi/"
# The handset check reads MIDI files and profiles.
mkdir -p "$seeds/handset" && cp "$seeds"/midi/* profiles/*.profile "$seeds/handset/"
printf '%s\0%s\0%s' -D2 in.mid -T1920 > "$seeds/args/a1"
printf '%s\0%s\0%s\0%s' - out.mid -I0:01 -V1:F0 > "$seeds/args/a2"
# Event texts of the MIDI seeds, exported by the tree's own quaveltext.
quaveltext=$(realpath "$(find "$dir" -name quaveltext -type f -perm -u+x | head -n 1)")
for f in "$seeds"/midi/*.mid; do
  source=$(realpath "$f")
  (cd "$seeds/text" && "$quaveltext" export "$source" "$(basename "$f" .mid).txt" >/dev/null 2>&1) || true
done
rm -f "$seeds/text/quavel.log"
printf -- '-H:MIDI-EventFile\r\n+F:00 01 \r\n+N:00 01 \r\n+D:01 E0 \r\n-T:10\r\n      0:90 O5C 64\r\n    480:!120\r\n      0:FF 2F 00\r\n-TE\r\n' > "$seeds/text/t1.txt"

# Runs a target, its lines kept in its log until its turn to be shown.
run_target() {
  local target=$1 corpus=$2
  [ -x "$dir/tests/fuzz/$target" ] || { echo "$target was not built"; return 1; }
  local work="$dir/corpus-$target"
  mkdir -p "$work" && cp -n "$corpus"/* "$work/" 2>/dev/null || true
  (cd "$dir" && "tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="crashes/$target-" "corpus-$target" >"log-$target" 2>&1)
}
passed=0
failed=0
cores=$(nproc)
for ((first = 0; first < ${#pairs[@]}; first += cores)); do
  batch=("${pairs[@]:first:cores}")
  pids=()
  for pair in "${batch[@]}"; do
    run_target "${pair%%:*}" "$seeds/${pair##*:}" &
    pids+=($!)
  done
  for k in "${!batch[@]}"; do
    target=${batch[k]%%:*}
    if wait "${pids[k]}"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    echo "== $target for ${seconds}s"
    tail -n 3 "$dir/log-$target" 2>/dev/null || true
  done
done
if [ -n "$(ls -A "$dir/crashes")" ]; then
  echo "fuzzing found crashes: $(ls "$dir/crashes")"
  [ "$failed" -gt 0 ] || failed=1
fi
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
