#!/usr/bin/env bash
# Builds the console program and runs it on the bundled example: converts
# examples/test.mid into build/example/out.mid and shows the analysis report.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/native" -j "$(nproc)" >/dev/null
quavel="$root/native/console/quavel"
if [ ! -x "$quavel" ]; then
  echo "The console program is not built yet: once it is, this converts examples/test.mid and shows its report."
  exit 0
fi
mkdir -p "$root/example"
cp examples/test.mid "$root/example/test.mid"
cd "$root/example"
"../../$quavel" test.mid out.mid
echo
echo "== quavel.log"
cat quavel.log
echo
echo "== converted file: $(pwd)/out.mid ($(wc -c < out.mid) bytes)"
