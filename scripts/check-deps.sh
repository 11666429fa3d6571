#!/usr/bin/env bash
# Checks that scripts/deps.sh names every Debian package the build and the suite use: the packages of
# the headers the compiler read (its *.o.d files), of the compiler and of the programs the suite runs
# must be listed, pulled in through Depends, or be Essential or required; by the "play" group alone
# for the game's own build, by "play" and "test" for the rest. The repository and build are exempt.
#   scripts/check-deps.sh SOURCE_DIR BUILD_DIR    (DEPS_SH=path checks another copy of deps.sh)
set -eu
src=$(realpath "$1") bin=$(realpath "$2") deps_sh=${DEPS_SH:-$src/scripts/deps.sh}

# GROUP < dependency files: the headers they name, tagged with the group
headers() { xargs -r cat | tr -s '\\ ' '\n' | grep '^/' | sort -u | xargs -r realpath -m | sed "s/^/$1\t/"; }
commands() { # the first word of each command in the test sources (a string literal with arguments,
  # or literals in a list such as {"Xvfb", "-ac"}) and in the shell scripts the suite runs
  { find "$src/tests" \( -name '*.cpp' -o -name '*.h' \) -exec sed 's/",[[:space:]]*"/ /g' {} + |
      grep -o '"[^"]*"' | tr -d '"' | grep ' '
    find "$src/tests" "$src/scripts/with-display.sh" "$0" -name '*.sh' -exec sed 's/#.*//' {} +
  } | sed 's/[$<](\|[`|;&]/\n/g' | awk '{ print ($1 == "exec" ? $2 : $1) }'
}
mapfile -t words < <(commands | grep -x '[A-Za-z][A-Za-z0-9._+-]*' | sort -u)
used=$({
  find "$bin" -path "$bin/tests" -prune -o -path "$bin/bench" -prune -o -name '*.o.d' -print | headers play
  find "$bin/tests" "$bin/bench" -name '*.o.d' 2>/dev/null | headers test
  realpath "$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$bin/CMakeCache.txt")" | sed 's/^/play\t/'
  command -v ctest "${words[@]}" | grep '^/' | xargs -r realpath | sed 's/^/test\t/'
} | grep -vF -e $'\t'"$src/" -e $'\t'"$bin/" | sort -u)
# Debian 12 merges /bin into /usr/bin, but dpkg knows many files by their /bin or /lib path.
owners=$(cut -f2 <<<"$used" | sort -u | sed -nE 'p; s,^/usr/(s?bin|lib)/,/\1/,p' |
  xargs -r -d '\n' dpkg -S 2>/dev/null | grep -v '^diversion' || true)

# What each group gives: its packages and their Depends closure ("GROUP\tpackage").
closures=$(for group in play test; do
  "$deps_sh" --list play "$group" | xargs apt-cache depends --recurse --no-recommends --no-suggests \
    --no-conflicts --no-breaks --no-replaces --no-enhances | grep -v : | tr -d ' <>' | sed "s/^/$group\t/"
done)
awk -F'\t' ' # the closures, Essential or required packages for any group, owners
  FILENAME == ARGV[3] { i = index($0, ": "); owner[substr($0, i + 2)] = substr($0, 1, i - 1); next }
  FILENAME != "-" { have[$1 == "yes" || $1 == "required" ? $2 : $0] = 1; next }
  { alt = $2; if (alt ~ /^\/usr\/(s?bin|lib)\//) alt = substr(alt, 5)
    o = ($2 in owner) ? owner[$2] : owner[alt]; n = split(o, p, ", "); ok = 0; files += !seen[$2]++
    for (i = 1; i <= n; i++) { sub(/:.*/, "", p[i]); if (($1 "\t" p[i]) in have || p[i] in have) ok = 1 }
    if (!ok) print "deps: " $2 " is from " (o == "" ? "no Debian package (installed by hand?)" : o \
      ", which the \"" $1 "\" group of scripts/deps.sh neither lists nor pulls in"); bad = bad || !ok }
  END { if (!bad) print "deps: " files " files checked, all covered by scripts/deps.sh"; exit bad }' \
  <(echo "$closures") <(dpkg-query -W -f='${Essential}\t${Package}\n${Priority}\t${Package}\n') <(echo "$owners") \
  - <<<"$used"
