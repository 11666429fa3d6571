#!/usr/bin/env bash
# Installs the game into a temporary prefix, plays it through the launcher as a new player from an
# unrelated folder, on an X server of its own since it moves the focus, and uninstalls it.
#   install_test.sh SOURCE_DIR BINARY_DIR     (the game built, its data generated)
set -eu
src=$(realpath "$1") bin=$(realpath "$2")
[ -n "${ZARNOK_PRIVATE_DISPLAY:-}" ] ||
  exec env -u DISPLAY ZARNOK_PRIVATE_DISPLAY=1 "$src/scripts/with-display.sh" "$0" "$@"
tmp=$(mktemp -d /tmp/zarnok-install.XXXXXX)
prefix=$tmp/prefix entry=$tmp/prefix/share/applications/zarnok.desktop
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
fail() { echo "install test: $*" >&2; sed 's/^/  game: /' "$tmp/game.log" >&2 2>/dev/null || true; exit 1; }

# Installed by its (only) component, so that the manifest of a real `make install` is left alone.
cmake --install "$bin" --prefix "$prefix" --component Unspecified >/dev/null || fail "cmake --install failed"
mv "$bin/install_manifest_Unspecified.txt" "$tmp/manifest"
ls "$prefix"/{bin/zarnok,libexec/zarnok/zarnok,share/zarnok/data/{gfx.png,sfx}} >/dev/null || fail "missing"
[ "$(identify -format '%wx%h ' "$prefix"/share/icons/hicolor/{48x48,128x128,256x256}/apps/zarnok.png)" = \
  "48x48 128x128 256x256 " ] || fail "the icons are not 48, 128 and 256 pixels"
{ desktop-file-validate "$entry" && grep -qx "Exec=$prefix/bin/zarnok" "$entry"; } ||
  fail "the menu entry does not validate or does not start $prefix/bin/zarnok"

# A new player (a temporary HOME) starts it from another folder.
export HOME=$tmp/home ALSOFT_DRIVERS=null XDG_DATA_HOME=
own=$HOME/.local/share/zarnok
mkdir -p "$tmp/elsewhere" && cd "$tmp/elsewhere"
xlogo 2>/dev/null & timeout 120 "$prefix/bin/zarnok" >"$tmp/game.log" 2>&1 & game=$!
window=$(timeout 30 xdotool search --sync --name '^Zarnok$' | head -1)
logo=$(timeout 30 xdotool search --sync --name '^xlogo$' | head -1)
[[ -n $window && -n $logo ]] || fail "no game window"
# Losing the focus suspends the game, which saves its state. A focus change before the game has
# started up is not a suspension, so the focus goes back and forth until one is.
for _ in $(seq 20); do
  timeout 20 xdotool windowfocus --sync "$logo" || true
  for _ in $(seq 30); do [ -s "$own/.zorbinstate" ] && break 2; sleep 0.1; done
  timeout 20 xdotool windowfocus --sync "$window" || true
done
[ -s "$own/.zorbinstate" ] || fail "no state file in $own after a suspension"
timeout 20 xdotool windowfocus --sync "$window" && xdotool key F4
wait "$game" || fail "F4 did not end the game with status 0 (status $?)"
[ "$(readlink "$own/data")" = "$prefix/share/zarnok/data" ] || fail "$own/data does not lead to the data"
[ -z "$(ls -A)" ] || fail "the game wrote into the folder it was started from"

# A per-user folder below a plain file gives one line naming it; a replay file is named from the
# folder the command runs in.
status=0 && out=$(XDG_DATA_HOME=$tmp/manifest "$prefix/bin/zarnok" 2>&1) || status=$?
[[ $status = 1 && $out == *"$tmp/manifest/zarnok"* && $out != *$'\n'* ]] || fail "bad folder: $status, $out"
status=0 && out=$("$prefix/bin/zarnok" --replay none.txt 2>&1) || status=$?
[[ $status = 2 && $out == *"cannot read $tmp/elsewhere/none.txt"* ]] || fail "no replay: $status, $out"

"$src/scripts/uninstall.sh" "$tmp/manifest" >/dev/null
! find "$prefix" -type f -o -type l -o -name '*zarnok*' | grep . || fail "these were left by uninstall.sh"
echo "install test: installed, played, saved per user and uninstalled"
