#!/usr/bin/env bash
# Runs the end-to-end suite of the Windows program under Wine.
#
#   scripts/wine-tests.sh [BUILD-DIR]      (default build-win64)
#
# The Wine prefix is made once per build tree (wineboot, a few seconds) and kept as a
# template; every scenario then runs in a copy of it of its own (under a second), with its
# own wineserver, which is stopped when the scenario ends. Every Wine call runs under
# `timeout`. Prints one line per check; fails when any check fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win64}
[[ $build == /* ]] || build=$root/$build

find_tool() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    if [[ -x /usr/lib/wine/$name ]]; then echo "/usr/lib/wine/$name"; return 0; fi
  done
  return 1
}
WINE=$(find_tool wine64 wine) || { echo "wine-tests: wine64 is not installed"; exit 1; }
WINESERVER=$(find_tool wineserver wineserver64) || { echo "wine-tests: no wineserver"; exit 1; }
export WINE WINESERVER WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

for exe in ovravelin exitcode sleeper uninstaller platform_check; do
  [[ -f $build/bin/$exe.exe ]] || { echo "wine-tests: $build/bin/$exe.exe is missing"; exit 1; }
done

# The template prefix, remade when Wine changes (its stamp holds Wine's version).
template=$build/wine/template
stamp=$build/wine/template.stamp
version=$(timeout 30 "$WINE" --version 2>/dev/null)
if [[ ! -f $stamp || $(cat "$stamp") != "$version" ]]; then
  echo "wine-tests: preparing the Wine prefix ($version)"
  rm -rf "$template" "$stamp"
  mkdir -p "$build/wine"
  if ! WINEPREFIX=$template timeout 180 "$WINE" wineboot --init >/dev/null 2>&1; then
    echo "wine-tests: wineboot failed"
    WINEPREFIX=$template timeout 30 "$WINESERVER" -k 2>/dev/null
    exit 1
  fi
  WINEPREFIX=$template timeout 60 "$WINESERVER" -w
  echo "$version" >"$stamp"
fi

# Whatever happens to the suite, no wineserver (nor a program it serves) outlives it.
stop_servers() {
  local prefix
  for prefix in "$OVR_WINE_RUNS"/*/prefix; do
    [[ -d $prefix ]] && WINEPREFIX=$prefix timeout 30 "$WINESERVER" -k >/dev/null 2>&1
  done
  return 0
}

export OVR_WINE_BUILD=$build OVR_WINE_TEMPLATE=$template OVR_WINE_RUNS=$build/wine/runs
stop_servers
rm -rf "$OVR_WINE_RUNS"
mkdir -p "$OVR_WINE_RUNS"
trap stop_servers EXIT
timeout 600 bash tests/wine/suite.sh
