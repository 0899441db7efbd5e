#!/usr/bin/env bash
# Runs every benchmark program of a release build; each prints its figure beside its peer's.
set -euo pipefail
builddir=$1
shopt -s nullglob
for b in "$builddir"/bin/bench_*; do
  echo "=== $(basename "$b")"
  "$b"
done
