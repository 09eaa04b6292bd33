#!/usr/bin/env bash
# Installs every Debian package Cavix needs to build, test, package and run (as root on a fresh
# machine); dpkg-dev and file let `cpack -G DEB` name the package's dependencies.
set -euo pipefail
pkgs=(build-essential cmake ninja-build clang libclang-rt-14-dev
      libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
      qt6-base-dev libqt6opengl6-dev libgl-dev xvfb xauth libgl1-mesa-dri
      libocct-foundation-dev libocct-modeling-data-dev libocct-modeling-algorithms-dev
      libocct-data-exchange-dev libocct-ocaf-dev libocct-visualization-dev libtbb-dev libcgal-dev
      libjemalloc-dev
      librsvg2-bin
      dpkg-dev file)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
