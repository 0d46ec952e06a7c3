#!/usr/bin/env bash
# Builds the console program in its own tree without tests (the main set-up
# tier is enough) and runs it on the bundled example: converts
# examples/test.mid into build/example/tune/out.mid and shows the analysis report.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
tree="$root/example"
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$tree" --target quavel -j "$(nproc)" >/dev/null
quavel=$(cd "$tree/console" && pwd)/quavel
mkdir -p "$tree/tune"
cp examples/test.mid "$tree/tune/test.mid"
cd "$tree/tune"
"$quavel" test.mid out.mid
echo
echo "== quavel.log"
cat quavel.log
echo
echo "== converted file: $(pwd)/out.mid ($(wc -c < out.mid) bytes)"
