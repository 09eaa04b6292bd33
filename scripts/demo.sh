#!/usr/bin/env bash
# Installs what is needed, builds and installs Cavix, and runs its main job on the installed
# defaults: `cavix demo` into the folder given (default ./cavix-demo).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$PWD/cavix-demo}"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --target cavix
cmake --install "$root/build" >/dev/null
cavix demo "$out"
