#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and
# the fuzzers need; only what is missing, with one package-list update first.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git
  libjpeg62-turbo-dev qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libqrcodegencpp-dev libqrencode-dev libzxing-dev
  qrencode zint libzint-dev
  fonts-ipafont-gothic
  clang libclang-rt-14-dev time
  xvfb xauth
  desktop-file-utils zbar-tools
  pybind11-dev python3-dev python3-numpy python3-pytest
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
