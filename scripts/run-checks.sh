#!/usr/bin/env bash
# Runs every test of the normal and the sanitizer build, the concurrency tests under
# ThreadSanitizer and the Windows program's end-to-end suite under Wine. Test servers that
# the database tests need are started here and stopped on exit. Prints ctest's closing
# lines; fails when any run fails.
set -uo pipefail
cd "$(dirname "$0")/.."
export CORBEL_REQUIRE_ENGINES=${CORBEL_REQUIRE_ENGINES:-1}
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

if [[ -x scripts/engines.sh ]]; then
  scripts/engines.sh start || { echo "run-checks: test engines did not start"; exit 1; }
  trap 'scripts/engines.sh stop' EXIT
  # The tests find the engines through the variables of the env file.
  # shellcheck disable=SC1090
  source "$(scripts/engines.sh env)" || { echo "run-checks: no engine env file"; exit 1; }
fi

status=0
run() {
  local dir=$1; shift
  echo "=== ctest in $dir $*"
  ctest --test-dir "$dir" --output-on-failure --timeout 600 "$@" || status=1
}
run build -j 2
run build-asan -j 2
run build-tsan -j 2 -L concurrency
echo "=== Windows program under Wine (build-win64)"
bash scripts/wine-tests.sh build-win64 || status=1
exit $status
