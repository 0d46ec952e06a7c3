#!/bin/sh
# An install of the build tree holds exactly the files in installed-files.txt,
# and the installed programs treat the bundled example exactly like the build
# tree's: same converted bytes, same report, same messages.
# Usage: check-install.sh BUILD_DIR SOURCE_DIR [with-render]
# (with-render: the tree has quavelrender, built where libsonivox was found)
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
with_render=${3:-}
work=$build/install-check
rm -rf "$work"
mkdir -p "$work"
DESTDIR="$work/root" cmake --install "$build" --prefix /usr --strip >"$work/install.log"

(cd "$work/root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/files"
lists=$source/tests/packaging/installed-files.txt
[ "$with_render" = with-render ] && lists="$lists $source/tests/packaging/installed-render-files.txt"
# shellcheck disable=SC2086 # the list names have no blanks
cat $lists | sed 's|^|usr/|' | LC_ALL=C sort | diff -u - "$work/files"

# Each copy runs in its own folder on its own copy of the example.
run_both() {
  tag=$1
  shift
  for tree in build installed; do
    mkdir -p "$work/$tree-$tag"
    cp "$source/examples/test.mid" "$work/$tree-$tag/test.mid"
  done
  (cd "$work/build-$tag" && "$build/$tag" "$@" >stdout) || true
  (cd "$work/installed-$tag" && "$work/root/usr/bin/$(basename "$tag")" "$@" >stdout) || true
  for file in $(cd "$work/build-$tag" && ls); do
    cmp "$work/build-$tag/$file" "$work/installed-$tag/$file"
  done
  [ "$(ls "$work/build-$tag")" = "$(ls "$work/installed-$tag")" ]
}
run_both console/quavel -D2 test.mid out.mid -Ltest.log
[ -s "$work/installed-console/quavel/out.mid" ] && [ -s "$work/installed-console/quavel/test.log" ]
# Each finds the shipped profiles beside itself, by name.
run_both console/quavel test.mid out.mid -Pgm-lite -Psp-midi-3gpp -Pvoices-16 -Pvoices-32 -Pvoices-64
[ "$(grep -c '^-> Handset check \[.*\]: \(fits\|[0-9]* findings\?\)$' "$work/installed-console/quavel/stdout")" -eq 5 ]
run_both console/quavelbatch -Pgm-lite -Pvoices-16 --csv test.csv test.mid
[ "$(wc -l <"$work/installed-console/quavelbatch/test.csv")" -eq 3 ]
run_both console/quaveltext export test.mid test.txt
[ -s "$work/installed-console/quaveltext/test.txt" ]
if [ "$with_render" = with-render ]; then
  run_both render/quavelrender test.mid test.wav -N8
  [ -s "$work/installed-render/quavelrender/test.wav" ]
fi
echo "install check: $(wc -l <"$work/files") files, installed programs convert and check the example like the build tree's"
