#!/usr/bin/env bash
# Checks tools/wine-run.sh with a stub loader: the program and its arguments
# arrive whole, its status comes back, and it and the processes it starts run
# with the address space laid out without random placement.
set -uo pipefail
launcher=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
NoRandomPlacement=$((0x0040000))

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Prints its arguments one a line, then the layout flags of a process it
# starts, and ends with the status the last argument names.
cat >"$work/loader" <<'STUB'
#!/bin/sh
for argument in "$@"; do echo "argument: $argument"; done
echo "personality: $(cat /proc/self/personality)"
eval "exit \${$#}"
STUB
chmod +x "$work/loader"
mkdir "$work/bin"
cp "$work/loader" "$work/bin/wine"

check_run() {
  local what=$1 expected_status=$2
  shift 2
  local output status
  output=$("$@" 2>&1)
  status=$?
  [ "$status" = "$expected_status" ] || fail "$what: status $status, not $expected_status"
  local expected_arguments="argument: prog.exe
argument: two words
argument: $expected_status"
  [ "$(echo "$output" | grep '^argument: ')" = "$expected_arguments" ] || fail "$what: arguments were $output"
  local flags
  flags=$(echo "$output" | sed -n 's/^personality: //p')
  if [ -z "$flags" ] || [ $((0x$flags & NoRandomPlacement)) = 0 ]; then
    fail "$what: a started process has personality '$flags', with random placement"
  fi
}

check_run "WINELOADER named" 0 env WINELOADER="$work/loader" sh "$launcher" prog.exe "two words" 0
check_run "status passed on" 3 env WINELOADER="$work/loader" sh "$launcher" prog.exe "two words" 3
check_run "no WINELOADER: wine on PATH" 0 env -u WINELOADER PATH="$work/bin:$PATH" sh "$launcher" prog.exe "two words" 0

if [ "$failures" = 0 ]; then echo "wine-run.sh: all checks passed"; else echo "wine-run.sh: $failures failed"; fi
[ "$failures" = 0 ]
