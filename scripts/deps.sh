#!/usr/bin/env bash
# Installs the Debian packages Zarnok needs, if any is missing. Uses sudo when not run as root.
#
#   scripts/deps.sh [GROUP...]         install the groups (default: play)
#   scripts/deps.sh --list [GROUP...]  print the groups' packages, one a line, and install nothing
#
# Groups: "play" is what building and playing need (`make run`); "test" is what only the test
# suite and the benchmarks need (`make test`, `make bench`). One package per word, so that adding
# one is a one-line change and the dependency test can read the lists.
set -euo pipefail

play=(
  build-essential
  cmake
  pkg-config
  libglfw3-dev
  libgl1-mesa-dev
  libgl1-mesa-dri
  libopenal-dev
  libstb-dev
  libvorbis-dev
  fonts-dejavu-core
)

test=(
  googletest
  libgtest-dev
  libbenchmark-dev
  libx11-dev
  libxrandr-dev
  xvfb
  xauth
  x11-utils
  x11-apps
  xdotool
  sox
  vorbis-tools
  imagemagick
  desktop-file-utils
  clang-format
  clang
  libclang-rt-14-dev
  emscripten
  chromium
  nodejs
)

list=0
if [ "${1:-}" = --list ]; then
  list=1
  shift
fi
[ $# -gt 0 ] || set -- play

packages=()
for group in "$@"; do
  case "$group" in
    play) packages+=("${play[@]}") ;;
    test) packages+=("${test[@]}") ;;
    *)
      echo "deps.sh: unknown group '$group' (play, test)" >&2
      exit 2
      ;;
  esac
done

if [ $list -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

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
