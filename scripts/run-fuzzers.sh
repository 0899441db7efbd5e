#!/usr/bin/env bash
# Runs each libFuzzer target in the given directory for FUZZ_SECONDS on its seed corpus.
set -euo pipefail
bindir=$(cd "$1" && pwd)  # the fuzzers run in their own work directories
seconds=${FUZZ_SECONDS:-15}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for f in "$bindir"/fuzz_*; do
  name=$(basename "$f")
  work=$(mktemp -d)
  seeds=$root/fuzz/corpus/${name#fuzz_}
  [[ -d $seeds ]] && cp -r "$seeds"/. "$work"/
  echo "=== $name for ${seconds}s"
  (cd "$work" && "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 . >fuzz.log 2>&1) \
    || { tail -n 40 "$work/fuzz.log"; exit 1; }
  tail -n 1 "$work/fuzz.log"
  rm -rf "$work"
done
