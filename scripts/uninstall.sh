#!/usr/bin/env bash
# Removes what an installation wrote, from the manifest `cmake --install` left in the build folder:
# every file and link listed, then the folders of Zarnok's own (share/zarnok, libexec/zarnok) once
# they are empty. Shared folders (bin, share/applications, the icon theme) are left in place.
#
#   scripts/uninstall.sh BUILD/install_manifest.txt
set -euo pipefail

manifest=${1:?usage: uninstall.sh MANIFEST}
if [ ! -f "$manifest" ]; then
  echo "Nothing to uninstall: $manifest is missing (it is written by make install)" >&2
  exit 1
fi

folders=()
while IFS= read -r file || [ -n "$file" ]; do  # the last line has no newline
  [ -n "$file" ] || continue
  rm -f -- "${DESTDIR:-}$file"
  dir=$(dirname -- "$file")
  while [[ "$dir" == */zarnok || "$dir" == */zarnok/* ]]; do
    folders+=("${DESTDIR:-}$dir")
    dir=$(dirname -- "$dir")
  done
done <"$manifest"

# Deepest first, so that a folder is empty when its turn comes.
if [ ${#folders[@]} -gt 0 ]; then
  printf '%s\n' "${folders[@]}" | sort -ru | while IFS= read -r dir; do
    rmdir -- "$dir" 2>/dev/null || true
  done
fi
echo "Uninstalled $(grep -c . "$manifest") files listed in $manifest"
