#!/usr/bin/env bash
# quavelbatch against a shell loop of quavel runs, in turn, over 1,000 copies
# of the corpus tunes (Debian's openttd-openmsx) made in the benchmark's own
# folder, every run checking against two profiles. quavel checks only what it
# writes, so the loop writes each tune and its report; the batch runs as a
# check (nothing written) and with --out --reports (as much written as the
# loop). Not a test: it prints figures.
#   COPIES     copies of the corpus tunes (default 1000)
#   RUNS       runs of each command (default 3)
#   BUILD_ROOT folder of the build trees (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
copies=${COPIES:-1000}
runs=${RUNS:-3}
corpus=/usr/share/games/openttd/baseset/openmsx
cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/native" -j "$(nproc)" --target quavel quavelbatch >/dev/null
quavel=$(realpath "$root/native/console/quavel")
quavelbatch=$(realpath "$root/native/console/quavelbatch")
work="$root/bench-batch"
rm -rf "$work" && mkdir -p "$work/tunes"
mapfile -t tunes < <(find "$corpus" -maxdepth 1 -name '*.mid' | LC_ALL=C sort)
[ ${#tunes[@]} -gt 0 ] || { echo "no corpus in $corpus (Debian openttd-openmsx)"; exit 1; }
for i in $(seq 0 $((copies - 1))); do
  tune=${tunes[$((i % ${#tunes[@]}))]}
  cp "$tune" "$work/tunes/$(printf '%04d' "$i")-$(basename "$tune")"
done
cd "$work"
echo "$copies tunes, $(du -sb tunes | cut -f1) bytes, on $(nproc) cores"
profiles=(-Pgm-lite -Pvoices-16)
cat > loop.sh <<SH
for tune in tunes/*.mid; do
  name=\$(basename "\$tune" .mid)
  "$quavel" "\$tune" "out/\$name.mid" -L"out/\$name.log" ${profiles[*]} >/dev/null || true
done
SH
hyperfine --runs "$runs" --export-markdown batch.md --prepare "rm -rf out batch-out && mkdir out" \
  -n "quavel loop" "bash loop.sh" \
  -n "quavelbatch check" "$quavelbatch ${profiles[*]} tunes >/dev/null || true" \
  -n "quavelbatch --out --reports" "$quavelbatch ${profiles[*]} --out batch-out --reports tunes >/dev/null || true" \
  -n "quavelbatch -j 1 --out --reports" \
  "$quavelbatch -j 1 ${profiles[*]} --out batch-out --reports tunes >/dev/null || true"
cat batch.md
# The same files either way.
rm -rf out batch-out && mkdir out && bash loop.sh
"$quavelbatch" "${profiles[@]}" --out batch-out tunes >/dev/null || true
for tune in tunes/*.mid; do cmp "out/$(basename "$tune")" "batch-out/$(basename "$tune")"; done
echo "the batch wrote the loop's files, byte for byte"
