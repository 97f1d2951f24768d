#!/usr/bin/env bash
# Installs every Debian package needed to build, test and benchmark the project.
# Run as root (or with sudo available). Safe to run more than once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev
  libspng-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libwebp-dev libtiff-dev webp
  libzxing-dev zint libzint-dev
  qt6-base-dev libgl-dev
  xvfb xauth imagemagick fonts-wqy-zenhei xdotool poppler-utils
  clang libclang-rt-14-dev clang-format
  python3 time
  libpng-dev librsvg2-bin
  python3-dev pybind11-dev python3-numpy python3-pil python3-pytest python3-distributed
  python3-venv python3-pip python3-setuptools python3-wheel
  help2man
)

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi
