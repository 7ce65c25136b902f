#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-14 libclang-rt-14-dev
  libfmt-dev libpugixml-dev libsodium-dev libcurl4-openssl-dev libzip-dev
  nlohmann-json3-dev libmsgsl-dev libfltk1.3-dev libpng-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-apps imagemagick python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
