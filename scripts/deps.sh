#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zarnok need, if any is missing.
# Uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libglfw3-dev libgl1-mesa-dev libgl1-mesa-dri libopenal-dev libstb-dev libvorbis-dev fonts-dejavu-core
  googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
  xvfb xauth xdotool x11-apps libx11-dev sox vorbis-tools imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
