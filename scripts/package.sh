#!/usr/bin/env bash
# Builds the Debian package of Cavix, cavix_VERSION_ARCH.deb, into the build folder (default
# ./build, configured when it is not yet), and prints its path. With --check it then unpacks the
# package into a clean folder (dpkg -x, nothing installed) and runs `cavix demo` from there.
#   scripts/package.sh [--check] [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
build="${1:-$root/build}"
"$root/scripts/install-deps.sh"
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target cavix cavix_data
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/cavix_*_"$(dpkg --print-architecture)".deb | head -1)
echo "$deb"
[ "$check" = 1 ] || exit 0

# The unpacked install is not where its registry says (/usr/share/cavix): the demo runs on a
# registry and settings naming the unpacked folder, as a test or CI names its own.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg -x "$deb" "$tmp/root"
appl="$tmp/root/usr/share/cavix"
sed "s|/usr/share/cavix|$appl|" "$appl/cavix.reg" >"$tmp/cavix.reg"
sed "s|/usr/share/cavix|$appl|" "$appl/settings.ini" >"$tmp/settings.ini"
HOME="$tmp/home" CAVIX_REGISTRY="$tmp/cavix.reg" CAVIX_SETTINGS="$tmp/settings.ini" \
  "$tmp/root/usr/bin/cavix" demo "$tmp/demo" >"$tmp/demo.out"
tail -n 3 "$tmp/demo.out"
echo "package $deb: unpacked and ran cavix demo"
