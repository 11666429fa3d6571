#!/usr/bin/env bash
# The browser test of `make test`: brings the web build up to date (configuring it with Emscripten
# when it is missing), then plays it in headless Chromium (web/browser_test.mjs).
#
#   web/browser_test.sh SOURCE_DIR BUILD_DIR   (the desktop build: its scenario runner and data)
set -euo pipefail
src=$1
bin=$2
web=${ZARNOK_WEB_BUILD:-$src/build-web}
# Debian's Emscripten runs on the machine's node, which must see Debian's Node modules.
export NODE_PATH=/usr/share/nodejs
if [ ! -f "$web/CMakeCache.txt" ]; then
  emcmake cmake -S "$src" -B "$web" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$web" --target zarnok >/dev/null
out=$bin/tests/web
mkdir -p "$out"
exec node --experimental-websocket --no-warnings "$src/web/browser_test.mjs" "$web" "$bin/zarnok-sim" "$src/data" "$out"
