#!/usr/bin/env bash
# Checks that scripts/deps.sh lists every Debian package the build and the suite use: each header
# the compiler read (its dependency files), the compiler, and each program the suite runs must
# come from a package that the list names or pulls in through its Depends (apt-cache depends
# --recurse), or from one that every Debian system has (Essential or Priority required). What the
# game's own build reads must be covered by the "play" group alone; what the tests and benchmarks
# read, and the programs the suite runs, by "play" and "test". Files of the repository and of the
# build tree are exempt.
#
#   scripts/check-deps.sh SOURCE_DIR BUILD_DIR   (after building the game and the test programs;
#                                                DEPS_SH=path checks another copy of deps.sh)
set -eu

src=$(realpath "$1")
bin=$(realpath "$2")
deps_sh=${DEPS_SH:-$src/scripts/deps.sh}
cache=$bin/tests/deps-cache
mkdir -p "$cache"

# The caches hold until the package database or the package lists change.
stamp=$({ stat -c %Y /var/lib/dpkg/status /var/cache/apt/pkgcache.bin 2>/dev/null || true; } | sort -n | tail -1)
if [ "$(cat "$cache/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -f "$cache"/*
  echo "$stamp" >"$cache/stamp"
fi

outside() { # keeps absolute paths that are not in the repository or the build tree
  grep '^/' | grep -v -e "^$src/" -e "^$bin/" || true
}

# ---- What is used ----
# Headers, from the dependency files of the game's build and of the test programs.
headers() {
  { find "$@" -name '*.o.d' -print0 2>/dev/null || true; } | xargs -0 -r cat | tr ' \\' '\n\n' | sed 's/:$//' |
    grep '^/' | sort -u | xargs -r realpath -m | outside | sort -u
}
mapfile -t dep_dirs < <(find "$bin" -mindepth 1 -maxdepth 1 -type d ! -name tests ! -name bench)
headers "${dep_dirs[@]}" >"$cache/used-play"
realpath "$(sed -n 's/^CMAKE_CXX_COMPILER:FILEPATH=//p' "$bin/CMakeCache.txt")" >>"$cache/used-play"
headers "$bin/tests" "$bin/bench" >"$cache/used-test"

# Programs the suite runs: the first word of each command in the test sources and in the shell
# scripts they run, when it names a program on the PATH; and ctest, which runs them. In C++, a
# command is a string literal with arguments, or an argument list of literals ({"Xvfb", "-ac"}).
{
  find "$src/tests" -name '*.cpp' -o -name '*.h' | xargs sed 's/",[[:space:]]*"/ /g' |
    grep -oh '"[^"]*"' | tr -d '"' | grep ' '
  find "$src/tests" "$src/scripts/with-display.sh" "$0" -name '*.sh' | xargs sed 's/#.*//'
  echo ctest
} | sed 's/\$(/\n/g; s/`/\n/g; s/&&/\n/g; s/||/\n/g; s/[|;]/\n/g' | sed 's/^[[:space:]]*\(exec \)\{0,1\}//' |
  awk '{print $1}' | grep -E '^[A-Za-z][A-Za-z0-9._+-]*$' | sort -u |
  while read -r word; do
    path=$(command -v "$word" 2>/dev/null || true)
    [ "${path:0:1}" = / ] && realpath "$path"
  done | outside >>"$cache/used-test"

# ---- Who owns it (dpkg -S, cached) ----
touch "$cache/owners"
sort -u "$cache/used-play" "$cache/used-test" | grep -vxF -f <(cut -f1 "$cache/owners") >"$cache/ask" || true
if [ -s "$cache/ask" ]; then
  # Debian 12 merges /bin into /usr/bin, but dpkg knows many programs by their /bin path.
  sed -E 's,^/usr/(s?bin|lib)/,/\1/,' "$cache/ask" >"$cache/ask-alt"
  xargs -r -d '\n' dpkg -S <"$cache/ask" 2>/dev/null | grep -v '^diversion' >"$cache/found" || true
  xargs -r -d '\n' dpkg -S <"$cache/ask-alt" 2>/dev/null | grep -v '^diversion' >>"$cache/found" || true
  paste "$cache/ask" "$cache/ask-alt" |
    awk -F'\t' 'NR == FNR { split($0, f, ": "); owner[f[2]] = f[1]; next }
                { o = ($1 in owner) ? owner[$1] : (($2 in owner) ? owner[$2] : "-"); print $1 "\t" o }' \
      "$cache/found" - >>"$cache/owners"
fi

# ---- What the list gives ----
closure() { # the packages of the groups, their Depends closure, and every Essential or required one
  local key
  key=$("$deps_sh" --list "$@" | sort | md5sum | cut -c1-16)
  if [ ! -s "$cache/closure-$key" ]; then
    {
      "$deps_sh" --list "$@" | xargs apt-cache depends --recurse --no-recommends --no-suggests \
        --no-conflicts --no-breaks --no-replaces --no-enhances | grep -v ':' | tr -d ' <>'
      dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' | awk '$2 == "yes" || $3 == "required" {print $1}'
    } | sed 's/:.*//' | sort -u >"$cache/closure-$key"
  fi
  cat "$cache/closure-$key"
}

status=0
check() { # check USED-FILE GROUP...: names each used file whose package the groups do not cover
  local used=$1 group=${*: -1}
  shift
  closure "$@" | awk -F'\t' -v group="$group" '
    FILENAME == "-" { have[$0] = 1; next }
    FILENAME != ARGV[3] { used[$0] = 1; next }
    !($1 in used) { next }
    $2 == "-" { print "deps: " $1 " is from no Debian package (installed by hand?)"; bad = 1; next }
    {
      n = split($2, owners, ", "); ok = 0
      for (i = 1; i <= n; i++) { sub(/:.*/, "", owners[i]); if (owners[i] in have) ok = 1 }
      if (!ok) { print "deps: " $1 " is from " $2 ", which the \"" group "\" group of scripts/deps.sh neither lists nor pulls in"; bad = 1 }
    }
    END { exit bad }' - "$used" "$cache/owners" || status=1
}
check "$cache/used-play" play
check "$cache/used-test" play test
[ $status -eq 0 ] && echo "deps: $(sort -u "$cache"/used-* | wc -l) files checked, all covered by scripts/deps.sh"
exit $status
