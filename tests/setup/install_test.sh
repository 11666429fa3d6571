#!/usr/bin/env bash
# Installs the game into a temporary prefix, plays it through the launcher as a new player (a
# temporary HOME) started from an unrelated folder, and uninstalls it. Runs on a private X server,
# since it moves the keyboard focus.
#
#   install_test.sh SOURCE_DIR BINARY_DIR     (the game built, its data generated)
set -eu
src=$(realpath "$1")
bin=$(realpath "$2")
if [ -z "${ZARNOK_PRIVATE_DISPLAY:-}" ]; then
  exec env -u DISPLAY ZARNOK_PRIVATE_DISPLAY=1 "$src/scripts/with-display.sh" "$0" "$@"
fi

tmp=$(mktemp -d /tmp/zarnok-install.XXXXXX)
manifest=$bin/install_manifest.txt
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "install test: $*" >&2
  [ -f "$tmp/game.log" ] && sed 's/^/  game: /' "$tmp/game.log" >&2
  exit 1
}
# Waits for a condition, up to 20 s or the tenths of a second given.
wait_for() {
  for _ in $(seq "${2:-200}"); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

# ---- Install; the build's own manifest (from a real `make install`) is kept as it was ----
prefix=$tmp/prefix
[ -f "$manifest" ] && cp "$manifest" "$tmp/manifest.kept"
cmake --install "$bin" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
mv "$manifest" "$tmp/manifest"
[ -f "$tmp/manifest.kept" ] && mv "$tmp/manifest.kept" "$manifest"

for f in bin/zarnok libexec/zarnok/zarnok share/zarnok/data/gfx.png share/zarnok/data/sfx; do
  [ -e "$prefix/$f" ] || fail "$f was not installed"
done
for n in 48 128 256; do
  size=$(identify -format %wx%h "$prefix/share/icons/hicolor/${n}x$n/apps/zarnok.png") || size=none
  [ "$size" = "${n}x$n" ] || fail "the ${n}x$n icon is $size"
done
entry=$prefix/share/applications/zarnok.desktop
desktop-file-validate "$entry" || fail "the menu entry does not validate"
grep -qx "Exec=$prefix/bin/zarnok" "$entry" || fail "the menu entry does not start $prefix/bin/zarnok"

# ---- A new player starts it from another folder ----
export HOME=$tmp/home ALSOFT_DRIVERS=null
unset XDG_DATA_HOME
own=$HOME/.local/share/zarnok
mkdir -p "$HOME" "$tmp/elsewhere"
cd "$tmp/elsewhere"
"$prefix/bin/zarnok" >"$tmp/game.log" 2>&1 &
game=$!
pids+=("$game")
window=$(timeout 30 xdotool search --sync --name '^Zarnok$' | head -1)
[ -n "$window" ] || fail "no game window"

# Losing the focus suspends the game, which saves its state. A focus change that comes before the
# game has started up is not a suspension, so the focus goes back and forth until one is.
xlogo 2>/dev/null &
pids+=("$!")
logo=$(timeout 30 xdotool search --sync --name '^xlogo$' | head -1)
for _ in $(seq 10); do
  timeout 20 xdotool windowfocus --sync "$logo"
  wait_for '[ -s "$own/.zorbinstate" ]' 30 && break
  timeout 20 xdotool windowfocus --sync "$window"
done
[ -s "$own/.zorbinstate" ] || fail "no state file in $own after a suspension"
timeout 20 xdotool windowfocus --sync "$window"
xdotool key F4
wait_for '! kill -0 $game 2>/dev/null' || fail "F4 did not end the game"
status=0
wait "$game" || status=$?
[ $status -eq 0 ] || fail "the game ended with status $status"
[ "$(readlink "$own/data")" = "$prefix/share/zarnok/data" ] || fail "$own/data does not lead to the data"
[ -z "$(ls -A "$tmp/elsewhere")" ] || fail "the game wrote into the folder it was started from"

# A per-user folder that cannot be made: one line naming it, status 1.
touch "$tmp/file"
status=0
out=$(XDG_DATA_HOME=$tmp/file "$prefix/bin/zarnok" 2>&1) || status=$?
[ $status -eq 1 ] && [ "$(wc -l <<<"$out")" -eq 1 ] && [[ "$out" == *"$tmp/file/zarnok"* ]] ||
  fail "an unusable folder gave status $status and: $out"

# A replay file is named from the folder the command runs in.
status=0
out=$("$prefix/bin/zarnok" --replay none.txt 2>&1) || status=$?
[ $status -eq 2 ] && [[ "$out" == *"cannot read $tmp/elsewhere/none.txt"* ]] ||
  fail "a replay of a missing file gave status $status and: $out"

# ---- Uninstall ----
"$src/scripts/uninstall.sh" "$tmp/manifest" >/dev/null
left=$(find "$prefix" -type f -o -type l -o -name '*zarnok*')
[ -z "$left" ] || fail "left after uninstalling: $left"
echo "install test: installed, played, saved per user and uninstalled"
