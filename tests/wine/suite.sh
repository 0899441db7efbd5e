# End-to-end scenarios of the Windows program under Wine: the agent's view (exit codes,
# log lines, registry, processes). Run by scripts/wine-tests.sh, which prepares the prefix
# template and the environment.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

AGENT='HKLM\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent'

# Scenarios that need no clock of their own share one machine.
machine desk

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

# ---- App-detection records ----

scenario skype-clear-record
reg_import "$here/fixtures/agent.reg"
expect_key "$AGENT\\AppDetection\\skype"
handler -n skype -c 1
expect_eq "exit code" "$rc" 0
expect_no_key "$AGENT\\AppDetection\\skype"
expect_key "$AGENT\\AppDetection"
expect_no_log "MsiExec.exe"

# ---- the generic rule: an uninstall command named by -k, in either view ----

scenario generic-uninstall-by-value
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\FooApp]" \
  '"UninstallString"="C:\\tools\\uninstaller.exe /view=32 /exit=3010"' \
  "[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\FooApp]" \
  '"UninstallString"="C:\\tools\\uninstaller.exe /view=64 /exit=3010"'
handler -n FooApp -k 'FooApp\UninstallString' -s /S -s /norestart
expect_eq "exit code (32-bit view)" "$rc" 0
handler -n FooApp -k 'FooApp\UninstallString' -x 64
expect_eq "exit code (64-bit view)" "$rc" 0
calls=$(tr -d '\r' <"$drive_c/tools/calls.txt" 2>/dev/null)
expect_eq "uninstaller calls" "$calls" 'C:\tools\uninstaller.exe /view=32 /exit=3010 /S /norestart 
C:\windows\system32
C:\tools\uninstaller.exe /view=64 /exit=3010
C:\windows\system32'
expect_log "execute : Exit code for the application : 3010"
expect_log "The return value is 0"
expect_key "$AGENT\\AppDetection\\FooApp"
expect_no_key 'HKLM\SOFTWARE\Velmora\Orvanta\OVAgent\AppDetection\FooApp'

# -k naming a value that is no text: nothing runs.
scenario generic-uninstall-value-not-text
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\FooApp]" \
  '"UninstallString"=dword:00000001'
handler -n FooApp -k 'FooApp\UninstallString'
expect_eq "exit code" "$rc" 0
expect_log "Reading from registry failed with error 13."
expect_eq "uninstaller calls" "$(cat "$drive_c/tools/calls.txt" 2>/dev/null)" ""

# An uninstall command whose program does not exist: reported, and the run goes on.
scenario generic-uninstall-missing-program
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\GoneApp]" \
  '"UninstallString"="C:\\tools\\unins000.exe /SILENT"'
handler -n GoneApp -k 'GoneApp\UninstallString'
expect_eq "exit code" "$rc" 0
expect_log "execute : Failed to Create the Process for the application"
expect_log_re '\[ERROR\] Error Code : 2 , Error Message : .+'
expect_log "The return value is 2"
expect_key "$AGENT\\AppDetection\\GoneApp"

# ---- uninstall by display name: every HipChat entry ----

scenario hipchat-two-entries
UNINSTALL='HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\HipChat]" \
  '"DisplayName"="HipChat"' \
  '"QuietUninstallString"="C:\\tools\\uninstaller.exe /entry=quiet"' \
  "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\{0A1B2C3D-HIPCHAT}]" \
  '"DisplayName"="hipchat"' \
  '"UninstallString"="C:\\tools\\uninstaller.exe /entry=plain /exit=1603"' \
  "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Other]" \
  '"DisplayName"="HipChat Helper"' \
  '"UninstallString"="C:\\tools\\uninstaller.exe /entry=other"'
handler -n hipchat
expect_eq "exit code" "$rc" 0
calls=$(grep -v '^C:\\windows' "$drive_c/tools/calls.txt" 2>/dev/null | tr -d '\r')
# In the registry's order of names: "HipChat" before "{0A1B2C3D-HIPCHAT}".
expect_eq "uninstaller calls" "$calls" 'C:\tools\uninstaller.exe /entry=quiet
C:\tools\uninstaller.exe /entry=plain /exit=1603 /qn /norestart ALLUSERS=1'
expect_no_key "$UNINSTALL\\HipChat"
expect_no_key "$UNINSTALL\\{0A1B2C3D-HIPCHAT}"
expect_key "$UNINSTALL\\Other"
expect_key "$AGENT\\AppDetection\\hipchat"
expect_eq "records created" "$(grep -c 'RegCreateKeyEx: returns : 0' "$(log_file)")" 2

# ---- edition records: inkscape ----

scenario inkscape-32-bit-edition
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Inkscape]" \
  '"UninstallString"="C:\\tools\\uninstaller.exe /edition=32"'
handler -n inkscape -x 32
expect_eq "exit code" "$rc" 0
expect_eq "uninstaller calls" "$(head -1 "$drive_c/tools/calls.txt" 2>/dev/null | tr -d '\r')" \
  'C:\tools\uninstaller.exe /edition=32 /S'
expect_key "$AGENT\\AppDetection\\inkscape_32"
handler -n inkscape -x 32 -c 1
expect_eq "exit code (clear)" "$rc" 0
expect_no_key "$AGENT\\AppDetection\\inkscape_32"

# ---- a process found through its command line (WMI) ----

# Wine fills in no other process's command line, so the query finds nothing here; the
# chain runs and the texts reach a redirected standard output.
scenario pdfsam-wmi-chain
handler -n PDFsamBasic
expect_eq "exit code" "$rc" 0
# The texts carry no line ends of their own.
expect_eq "standard output" "$out" "Pdfsam not Runningbefore closing wmiclosed wmi"
expect_log "GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace"
expect_no_log "The required Value is given by"

# ---- a check-only rule: running program, the force-kill window, Fast Startup ----

machine two-hours 7200

# alwaysKillApps set (the agent's export has it): the running program is terminated even
# two hours after start.
scenario check-only-always-kill
reg_import "$here/fixtures/agent.reg"
start_program notepad++.exe
handler -n notepad++
expect_eq "exit code" "$rc" 0
expect_not_running notepad++.exe
expect_log "alwaysKillApps is set so we are setting the uptime as 1"
expect_log "This ia a startup event hence killing the products exe"
expect_log "App Killed......"

# Two hours after start without alwaysKillApps: postponed, the program left alone, and
# Fast Startup switched off because hibernation is on.
scenario check-only-outside-window
reg_import "$here/fixtures/power.reg"
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent\Patch]" \
  '"alwaysKillApps"=dword:00000000'
start_program notepad++.exe
handler -n NOTEPAD++ -t 20
expect_eq "exit code" "$rc" 20001
expect_running notepad++.exe
expect_log "Not a startup event hence not killing the product exe"
expect_log "Force Kill Timeout : 20 mins."
expect_log "!!! Fast Startup has been disabled"
expect_eq "HiberbootEnabled" \
  "$(reg_value 'HKLM\System\CurrentControlSet\Control\Session Manager\Power' HiberbootEnabled)" 0x0
expect_eq "ovDisabledFastStartup" "$(reg_value "$AGENT\\Settings" ovDisabledFastStartup)" 0x1
expect_no_key 'HKLM\SOFTWARE\Velmora\Orvanta\OVAgent\Settings'

# Ten minutes after start, alwaysKillApps 0: inside the window of 15 minutes.
# -f: only a process whose executable lies there counts; the path is the process's own.
scenario check-only-directory-filter
start_program notepad++.exe
handler -n notepad++ -f 'C:\elsewhere'
expect_eq "exit code (elsewhere)" "$rc" 0
expect_running notepad++.exe
expect_log 'Module filename is: C:\apps\notepad++.exe'
handler -n notepad++ -f 'C:\apps'
expect_eq "exit code (its directory)" "$rc" 20001
expect_running notepad++.exe

machine ten-minutes 600
scenario check-only-inside-window
reg_text "[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent\Patch]" \
  '"alwaysKillApps"=dword:00000000'
start_program notepad++.exe
handler -n notepad++
expect_eq "exit code" "$rc" 0
expect_not_running notepad++.exe
# (The log's lines end in CR LF on Windows.)
expect_log_re 'the tick count is (59[0-9]|6[0-4][0-9])[0-9]{3}[^0-9]'
expect_log "Force Kill Timeout : 15 mins."

summary
