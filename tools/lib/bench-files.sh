# Sourced by the whole-run benchmarks: builds the Release quavel and makes the
# generated test files they share in the folder $1 (emptied first): big.mid
# (about 5 MB) and big20.mid (the same shape, about 20 MB). Sets quavel.
makeBenchFiles() {
  local work=$1
  cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/native" -j "$(nproc)" --target quavel generate_midi >/dev/null
  quavel=$(realpath "$root/native/console/quavel")
  rm -rf "$work" && mkdir -p "$work"
  "$root/native/tests/generate_midi" "$work/big.mid" 5 16 88000
  "$root/native/tests/generate_midi" "$work/big20.mid" 5 16 330000
}
