# End-to-end scenarios of the Windows program under Wine: the agent's view (exit codes,
# log lines, registry, processes). Run by scripts/wine-tests.sh, which prepares the prefix
# template and the environment.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

AGENT='HKLM\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent'

# ---- the platform backend on the system's own calls ----

scenario platform-backend
cp "$OVR_WINE_BUILD/bin/platform_check.exe" "$OVR_WINE_BUILD/bin/sleeper.exe" "$drive_c/tools/"
out=$(wine_out 'C:\tools\platform_check.exe' 'C:\tools\sleeper.exe' 'probe-marker_%')
status=$?
[[ -z $out ]] || echo "$out" | sed 's/^/  /'
expect_eq "backend checks' status" "$status" 0
# What the backend wrote, seen from outside: the 32-bit view is Wow6432Node.
expect_key 'HKLM\SOFTWARE\Wow6432Node\OvrProbe\Entry'
expect_no_key 'HKLM\SOFTWARE\OvrProbe'
expect_key 'HKLM\SOFTWARE\OvrProbe64'
expect_eq "REG_SZ written wide" \
  "$(reg_export 'HKLM\SOFTWARE\Wow6432Node\OvrProbe\Entry' | grep '^"Name"=')" '"Name"="café"'

# ---- the run ----

scenario run-without-product
handler
expect_eq "exit code" "$rc" 0
# The log sits in "..\logs" of the working directory, lines in the log's own format.
expect_log_re '^\[ [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3} \] \[ [0-9]+ \] \[INFO\] Log open time: '
expect_log "] [INFO] product name is null"
expect_no_log "Log close time"

summary
