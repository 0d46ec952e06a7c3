#!/usr/bin/env bash
# Checks what tools/package.sh made: the Debian package's fields, files and
# lintian verdict, the Linux tarball, and each Windows zip's programs.
# Usage: check-packages.sh PACKAGE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# The Linux packages hold quavelrender where the handset synthesizer is
# installed, as the build that made them found it.
linux_programs=(quavel quavelbatch quaveltext)
linux_files=("$here/installed-files.txt")
if pkg-config --exists sonivox 2>/dev/null; then
  linux_programs+=(quavelrender)
  linux_files+=("$here/installed-render-files.txt")
fi

expect_field() {
  local deb=$1 field=$2 pattern=$3 value
  value=$(dpkg-deb -f "$deb" "$field")
  [[ $value =~ $pattern ]] || fail "$field is '$value', expected /$pattern/"
}

check_deb() {
  local deb=$1
  dpkg-deb -I "$deb"
  expect_field "$deb" Package '^quavel$'
  expect_field "$deb" Section '^sound$'
  expect_field "$deb" Depends '(^|, )libc6 \(>= [0-9.]+\)'
  expect_field "$deb" Maintainer '^[^<]+ <[^>]+>$'
  # One synopsis line, then the one paragraph: no line of the field is blank.
  [ "$(dpkg-deb -f "$deb" Description | grep -c '^ *\.\?$')" -eq 0 ] || fail "description is not one paragraph"

  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | LC_ALL=C sort >"$work/deb-files"
  cat "${linux_files[@]}" | LC_ALL=C sort | diff -u - "$work/deb-files" || fail "the package's files differ"
  dpkg-deb -c "$deb" | awk '$2 != "root/root" { print "not owned by root: " $6; bad = 1 } END { exit bad }' ||
    fail "file owners"

  # The package, its changelog and its manual pages carry the version the programs print.
  dpkg-deb -x "$deb" "$work/deb"
  local banner version
  version=$(dpkg-deb -f "$deb" Version)
  banner=$(cd "$work" && "$work/deb/usr/bin/quavel" || true)
  [[ $banner == *"Version $version"* ]] || fail "quavel prints '$banner'"
  zcat "$work/deb/usr/share/doc/quavel/changelog.gz" | head -1 | grep -qF "quavel ($version)" ||
    fail "the changelog does not start with $version"
  for page in "$work"/deb/usr/share/man/man1/*.1.gz; do
    zcat "$page" | grep '^\.TH' | grep -qF "quavel $version" || fail "$(basename "$page") is not of $version"
  done
  for program in "${linux_programs[@]}"; do
    ! readelf -S "$work/deb/usr/bin/$program" | grep -q '\.symtab' || fail "$program is not stripped"
  done

  lintian --fail-on error "$deb" | tee "$work/lintian"
  [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports an error"
  echo "lintian: $(grep -c '^E:' "$work/lintian" || true) errors, $(grep -c '^W:' "$work/lintian" || true) warnings"
}

check_tarball() {
  local tarball=$1
  tar -tzf "$tarball" | grep -v '/$' | sed 's|^[^/]*/||' | LC_ALL=C sort >"$work/tar-files"
  cat "${linux_files[@]}" | LC_ALL=C sort | diff -u - "$work/tar-files" || fail "$tarball: files differ"
}

check_zip() {
  local zip=$1 dir
  dir=$work/$(basename "$zip" .zip)
  # python3's zipfile rather than unzip: one package fewer to install.
  python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip" |
    grep -v '/$' | sed 's|^[^/]*/||' | LC_ALL=C sort >"$work/zip-files"
  printf '%s\n' LICENSE README.md kesto.exe profiles/gm-lite.profile profiles/sp-midi-3gpp.profile \
    profiles/voices-16.profile profiles/voices-32.profile profiles/voices-64.profile quavel.exe quavelbatch.exe \
    quaveltext.exe |
    diff -u - "$work/zip-files" || fail "$zip: files differ"
  python3 -m zipfile -e "$zip" "$dir"
  "$here/../../tools/check-static-exe.sh" "$dir" || fail "$zip: an exe needs a non-system DLL"
}

shopt -s nullglob
debs=("$folder"/quavel_*.deb)
tarballs=("$folder"/quavel-*-Linux.tar.gz)
win32=("$folder"/quavel-*-win32.zip)
win64=("$folder"/quavel-*-win64.zip)
if [ ${#debs[@]} -eq 1 ]; then check_deb "${debs[0]}"; else fail "expected one Debian package, found ${#debs[@]}"; fi
if [ ${#tarballs[@]} -eq 1 ]; then check_tarball "${tarballs[0]}"; else fail "expected one Linux tarball"; fi
[ ${#win32[@]} -eq 1 ] || fail "expected one 32-bit Windows zip, found ${#win32[@]}"
if command -v x86_64-w64-mingw32-g++ >/dev/null; then
  [ ${#win64[@]} -eq 1 ] || fail "expected one 64-bit Windows zip, found ${#win64[@]}"
fi
for zip in "${win32[@]}" "${win64[@]}"; do check_zip "$zip"; done
[ $status -eq 0 ] && echo "packages: all checks passed"
exit $status
