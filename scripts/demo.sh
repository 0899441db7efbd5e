#!/usr/bin/env bash
# Runs the handler once, as the agent would before installing Notepad++, in a directory of
# its own, and shows the exit code and where the log is and what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/bin/ovravelin
demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo/work"
cd "$demo/work"

echo "\$ cd $demo/work"
echo "\$ ovravelin -n notepad++ -t 20 -x 64"
set +e
"$bin" -n notepad++ -t 20 -x 64
code=$?
set -e
echo "exit code: $code (0: the installation may proceed; 33 is 20001 as Linux reports it)"
echo
log=$(cd "$demo/logs" && pwd)/ovravelin.log
echo "log file: $log  (the working directory's ../logs)"
echo "---"
cat "$log"
echo "---"
