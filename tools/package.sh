#!/usr/bin/env bash
# Builds every package into one folder and lists what it made: the Debian
# package and the tarball from a native Release tree, and a zip per Windows
# tree (32-bit always, 64-bit when its compiler is installed).
# BUILD_ROOT picks the folder for the build trees (default: build); the
# packages go to $BUILD_ROOT/packages.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
jobs=${JOBS:-$(nproc)}
out="$root/packages"

# One Release tree without tests, packed by its own CPack generators; the
# packages it made are moved into the shared folder.
package_tree() {
  local dir=$1; shift
  cmake -S . -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@" \
    >"$root/$dir.configure.log" 2>&1 || { cat "$root/$dir.configure.log"; exit 1; }
  cmake --build "$root/$dir" -j "$jobs"
  find "$root/$dir" -maxdepth 1 \( -name '*.deb' -o -name '*.tar.gz' -o -name '*.zip' \) -delete
  (cd "$root/$dir" && cpack) >"$root/$dir.cpack.log" 2>&1 || { cat "$root/$dir.cpack.log"; exit 1; }
  find "$root/$dir" -maxdepth 1 \( -name '*.deb' -o -name '*.tar.gz' -o -name '*.zip' \) -exec mv -t "$out" {} +
}

rm -rf "$out"
mkdir -p "$out"
# Debian's own build flags, every hardening feature on, for what goes into
# the Debian package.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
package_tree package-native \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
package_tree package-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
if command -v x86_64-w64-mingw32-g++ >/dev/null; then
  package_tree package-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
else
  echo "no x86_64 mingw-w64 compiler: no 64-bit Windows zip"
fi
echo "== packages in $out"
ls -l "$out"
