# End-to-end scenarios of the Windows program under Wine: the agent's view (exit codes,
# log lines, registry, processes). Run by scripts/wine-tests.sh, which prepares the prefix
# template and the environment.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

AGENT='HKLM\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent'

# ---- the run ----

scenario run-without-product
handler
expect_eq "exit code" "$rc" 0
# The log sits in "..\logs" of the working directory, lines in the log's own format.
expect_log_re '^\[ [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3} \] \[ [0-9]+ \] \[INFO\] Log open time: '
expect_log "] [INFO] product name is null"
expect_no_log "Log close time"

summary
