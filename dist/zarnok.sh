#!/bin/sh
# zarnok: starts the installed game for the current player.
#
# The game reads its data from ./data and keeps its scores and settings in ./.zorbinstate, both in
# the folder it starts in. So each player gets a folder of their own, $XDG_DATA_HOME/zarnok
# (~/.local/share/zarnok by default), holding a link to the installed data, and the game starts
# there, whatever folder this command is run from.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
data="$prefix/share/zarnok/data"

case "${XDG_DATA_HOME:-}" in
  /*) home="$XDG_DATA_HOME/zarnok" ;;
  *) home="${HOME:-}/.local/share/zarnok" ;;
esac

# A link left by another installation is pointed at this one. Installed under ~/.local, the folder
# is the installation's own and holds the data itself: nothing to link.
if ! mkdir -p "$home" 2>/dev/null || ! [ -w "$home" ] ||
  { ! [ "$home/data" -ef "$data" ] && ! ln -sfn "$data" "$home/data" 2>/dev/null; }; then
  echo "zarnok: cannot set up the folder for scores and settings: $home" >&2
  exit 1
fi
# A file named on the command line (--record FILE, --replay FILE) is taken from the folder this
# command runs in, not from the game's own.
n=$#
while [ "$n" -gt 0 ]; do
  a=$1
  shift
  n=$((n - 1))
  if [ "$n" -gt 0 ] && { [ "$a" = --record ] || [ "$a" = --replay ]; }; then
    f=$1
    shift
    n=$((n - 1))
    case "$f" in /*) ;; *) f="$PWD/$f" ;; esac
    set -- "$@" "$a" "$f"
  else
    set -- "$@" "$a"
  fi
done
cd "$home" && exec "$prefix/libexec/zarnok/zarnok" "$@"
