#!/usr/bin/env bash
# Checks tools/setup.sh's tiers, retries and messages without root or a
# network: stub apt-get, dpkg, dpkg-query and sleep come first on PATH, keep
# the "installed" packages in a folder and record every call.
set -uo pipefail
setup=$(cd "$(dirname "$0")/../../tools" && pwd)/setup.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

make_stubs() {
  local bin=$work/bin
  mkdir -p "$bin"
  cat >"$bin/dpkg-query" <<'STUB'
#!/bin/sh
echo "dpkg-query $*" >>"$STUB_STATE/calls"
pkg=$(echo "$3" | tr ':' '_')
[ -e "$STUB_STATE/installed/$pkg" ] && { printf 'install ok installed'; exit 0; }
echo "dpkg-query: no packages found matching $3" >&2
exit 1
STUB
  cat >"$bin/dpkg" <<'STUB'
#!/bin/sh
echo "dpkg $*" >>"$STUB_STATE/calls"
case $1 in
  --print-foreign-architectures) cat "$STUB_STATE/arches" 2>/dev/null ;;
  --add-architecture)
    [ -e "$STUB_STATE/refuse_i386" ] && { echo "dpkg: error: architecture i386 refused"; exit 2; }
    echo "$2" >>"$STUB_STATE/arches" ;;
  --remove-architecture) : >"$STUB_STATE/arches" ;;
esac
STUB
  cat >"$bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >>"$STUB_STATE/calls"
if [ "$1" = update ]; then
  n=$(cat "$STUB_STATE/update_failures" 2>/dev/null || echo 0)
  if [ "$n" -gt 0 ]; then
    echo $((n - 1)) >"$STUB_STATE/update_failures"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
  fi
  exit 0
fi
shift
for p in "$@"; do
  case $p in -*) continue ;; esac
  if [ -e "$STUB_STATE/unavailable/$(echo "$p" | tr ':' '_')" ]; then
    echo "E: Unable to locate package $p"
    exit 100
  fi
done
for p in "$@"; do
  case $p in -*) continue ;; esac
  touch "$STUB_STATE/installed/$(echo "$p" | tr ':' '_')"
done
STUB
  printf '#!/bin/sh\necho "sleep $*" >>"$STUB_STATE/calls"\n' >"$bin/sleep"
  chmod +x "$bin"/*
}

# new_case NAME: a fresh state with nothing installed and no i386.
new_case() {
  case_name=$1
  export STUB_STATE=$work/$1
  mkdir -p "$STUB_STATE/installed" "$STUB_STATE/unavailable"
  : >"$STUB_STATE/calls"
}

install_everything() {
  local p
  for p in $(all_packages); do touch "$STUB_STATE/installed/$(echo "$p" | tr ':' '_')"; done
}

# The package names as the script lists them, from its own arrays.
all_packages() {
  bash -c "source <(sed -n '/^main_tier=/,/^wine32_tier=/p' '$setup'); echo \${main_tier[*]} \${test_tier[*]} \${wine32_tier[*]}"
}

run_setup() {
  PATH="$work/bin:$PATH" bash "$setup" "$@" >"$STUB_STATE/out" 2>&1
  status=$?
}

fail() {
  echo "FAIL [$case_name]: $*"
  echo "--- output:"; cat "$STUB_STATE/out"
  echo "--- calls:"; cat "$STUB_STATE/calls"
  failures=$((failures + 1))
}

expect_status() { [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"; }
expect_output() { grep -qF -- "$1" "$STUB_STATE/out" || fail "output lacks: $1"; }
expect_last_line() { [ "$(tail -n1 "$STUB_STATE/out")" = "$1" ] || fail "last line is not: $1"; }
expect_calls() { [ "$(grep -c -- "$1" "$STUB_STATE/calls")" -eq "$2" ] || fail "expected $2 calls matching '$1'"; }
expect_installed() { [ -e "$STUB_STATE/installed/$(echo "$1" | tr ':' '_')" ] || fail "$1 not installed"; }

make_stubs

new_case all_present
install_everything
run_setup
expect_status 0
expect_output "setup: all packages present"
expect_calls "apt-get install" 0
expect_calls "apt-get update" 0

new_case fresh_machine
run_setup
expect_status 0
expect_calls "apt-get install" 3
expect_calls "dpkg --add-architecture i386" 1
for p in $(all_packages); do expect_installed "$p"; done
# The tiers come in order: main, test, then i386.
[ "$(grep -n 'install.* g++ ' "$STUB_STATE/calls" | cut -d: -f1)" -lt \
  "$(grep -n 'install.* googletest ' "$STUB_STATE/calls" | cut -d: -f1)" ] || fail "main tier not first"
[ "$(grep -n 'add-architecture' "$STUB_STATE/calls" | cut -d: -f1)" -gt \
  "$(grep -n 'install.* googletest ' "$STUB_STATE/calls" | cut -d: -f1)" ] || fail "i386 added before the test tier"

new_case update_fails_once
echo 1 >"$STUB_STATE/update_failures"
run_setup main
expect_status 0
expect_calls "apt-get update" 2
expect_calls "^sleep" 1
expect_installed g++

new_case update_fails_twice
echo 2 >"$STUB_STATE/update_failures"
run_setup main
expect_status 0
expect_calls "apt-get update" 2
expect_output "setup: apt-get update failed twice"
expect_installed cmake

new_case i386_tier_fails
touch "$STUB_STATE/unavailable/wine32_i386"
run_setup
expect_status 0
expect_output "setup: 32-bit Wine not installed (optional; the Windows tests run on the 64-bit tree only): E: Unable to locate package wine32:i386"
expect_installed wine64
[ -s "$STUB_STATE/arches" ] && fail "the i386 architecture added for nothing was left behind"

new_case i386_refused
touch "$STUB_STATE/refuse_i386"
run_setup
expect_status 0
expect_output "setup: 32-bit Wine not installed (optional): dpkg refuses the i386 architecture"
expect_calls "install.*wine32" 0

new_case test_package_fails
touch "$STUB_STATE/unavailable/midicsv"
run_setup
expect_status 1
expect_last_line "setup: not installed: midicsv: E: Unable to locate package midicsv"
# One package that cannot be had keeps no other out, not even of its own tier.
expect_installed googletest
expect_installed wine32:i386

new_case main_only
run_setup main
expect_status 0
expect_calls "apt-get install" 1
expect_calls "install.*googletest" 0
expect_calls "dpkg --add-architecture" 0
expect_installed make

new_case unknown_argument
run_setup everything
expect_status 2
expect_calls "apt-get" 0

if [ "$failures" -gt 0 ]; then
  echo "setup_test: $failures failures"
  exit 1
fi
echo "setup_test: all cases passed"
