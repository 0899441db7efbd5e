# The machinery of the Wine suite (sourced by suite.sh): machines (fresh Wine prefixes with
# a wineserver of their own, optionally at a given uptime) and scenarios on them, the
# handler run through exitcode.exe, registry set-up and reading through reg.exe, and checks
# that count their failures.
#
# Inside a prefix: C:\ovr\bin holds the program, C:\runs\SCENARIO\work is the working
# directory of a scenario's runs (so its log is C:\runs\SCENARIO\logs\ovravelin.log),
# C:\apps holds stand-in product programs and C:\tools the stand-in uninstaller, which
# notes its calls in C:\tools\calls.txt.

checks=0
failures=0
machine_name=""
scenario_name=""
scenario_failures=0
# Offset of the machine's clocks (seconds) when it sets the uptime; empty otherwise.
clock_offset=""

# Files of the template that Wine only reads (libraries, programs) are shared with each
# copy through hard links; everything else (registry files, ini files) is copied.
shared_file() {
  case ${1,,} in
    *.dll | *.exe | *.drv | *.sys | *.ocx | *.cpl | *.acm | *.tlb | *.ttf | *.fon | *.nls) return 0 ;;
  esac
  return 1
}

copy_template() {
  local target=$1 f
  cp -a --link "$OVR_WINE_TEMPLATE" "$target"
  while IFS= read -r -d '' f; do
    shared_file "$f" || cp -a --remove-destination "$OVR_WINE_TEMPLATE/$f" "$target/$f"
  done < <(cd "$OVR_WINE_TEMPLATE" && find . -type f -print0)
}

# machine NAME [UPTIME-SECONDS]: a fresh prefix. Its first Wine call starts the wineserver
# and the system's services (the costly part, some seconds), so scenarios that need no
# machine of their own share one. With an uptime, every Wine call on the machine (and so
# its wineserver, which serves the tick count) sees the system as started that many
# seconds ago.
machine() {
  end_machine
  machine_name=$1
  machine_dir=$OVR_WINE_RUNS/$1
  mkdir -p "$machine_dir"
  copy_template "$machine_dir/prefix"
  export WINEPREFIX=$machine_dir/prefix
  drive_c=$WINEPREFIX/drive_c
  mkdir -p "$drive_c/ovr/bin" "$drive_c/apps" "$drive_c/tools"
  cp "$OVR_WINE_BUILD/bin/ovravelin.exe" "$OVR_WINE_BUILD/bin/exitcode.exe" "$drive_c/ovr/bin/"
  cp "$OVR_WINE_BUILD/bin/uninstaller.exe" "$drive_c/tools/"
  clock_offset=""
  if [[ -n ${2:-} ]]; then
    local now
    now=$(cut -d. -f1 /proc/uptime)
    clock_offset=$(($2 - now))
  fi
}

# Stops the machine's wineserver and with it every program of the prefix.
end_machine() {
  end_scenario
  [[ -n $machine_name ]] || return 0
  timeout 30 "$WINESERVER" -k >/dev/null 2>&1
  timeout 30 "$WINESERVER" -w >/dev/null 2>&1
  machine_name=""
}

# scenario NAME: a scenario on the current machine, with a working directory and a log of
# its own and no stand-in programs running.
scenario() {
  end_scenario
  scenario_name=$1
  scenario_failures=0
  scenario_start=$SECONDS
  scenario_dir=$machine_dir/$1
  mkdir -p "$scenario_dir" "$drive_c/runs/$1/work"
  rm -f "$drive_c/tools/calls.txt"
}

# Ends the running scenario: stops the programs it started and prints its verdict.
end_scenario() {
  [[ -n $scenario_name ]] || return 0
  stop_programs
  if ((scenario_failures == 0)); then
    echo "ok   $scenario_name ($((SECONDS - scenario_start)) s)"
  else
    echo "FAIL $scenario_name ($scenario_failures failed checks; files in $scenario_dir)"
  fi
  scenario_name=""
}

# wine ARGS...: one Wine call in the working directory, bounded in time. Its output must
# go to a file, never into a pipe: Wine's services, started by the first call of a prefix,
# inherit the descriptors and would hold a pipe open (see wine_out).
wine() {
  local prefix=()
  if [[ -n $clock_offset ]]; then
    prefix=(unshare --time --boottime "$clock_offset" --monotonic "$clock_offset")
    [[ $(id -u) -eq 0 ]] || prefix=(unshare --user --map-root-user --time --boottime "$clock_offset" --monotonic "$clock_offset")
  fi
  (cd "$drive_c/runs/$scenario_name/work" && timeout "${WINE_TIMEOUT:-60}" "${prefix[@]}" "$WINE" "$@")
}

# wine_out ARGS...: a Wine call whose standard output (line ends as on Unix) is printed
# after the call has ended; its status is the call's.
wine_out() {
  local file=$scenario_dir/output.txt status
  wine "$@" >"$file" 2>"$scenario_dir/errors.txt"
  status=$?
  tr -d '\r' <"$file"
  return $status
}

# handler ARGS...: runs the program; sets `rc` to its full exit code and `out` to its
# standard output.
handler() {
  local result=$drive_c/runs/$scenario_name/rc.txt
  rm -f "$result"
  out=$(wine_out 'C:\ovr\bin\exitcode.exe' "C:\\runs\\$scenario_name\\rc.txt" \
    'C:\ovr\bin\ovravelin.exe' "$@")
  rc=$(tr -d '\r\n' <"$result" 2>/dev/null)
  [[ -n $rc ]] || rc="(none)"
}

# The log of the scenario's runs.
log_file() { echo "$drive_c/runs/$scenario_name/logs/ovravelin.log"; }

# reg_import FILE: loads a .reg file (UTF-16 or 8-bit) into the scenario's registry.
reg_import() {
  local name
  name=$(basename "$1")
  cp "$1" "$drive_c/ovr/$name"
  wine reg import "C:\\ovr\\$name" >/dev/null 2>&1 || check_fail "reg import $name"
}

# reg_text [LINES...]: a .reg file of the given lines, imported.
reg_text() {
  local file=$scenario_dir/set-up-$RANDOM.reg
  { echo "REGEDIT4"; echo; printf '%s\n' "$@"; } >"$file"
  reg_import "$file"
}

# reg_value KEY NAME: the data of a value as reg.exe shows it ("0x1" for a DWORD); empty
# when the value or key is missing. KEY is written as in reg.exe ("HKLM\...").
reg_value() {
  wine_out reg query "$1" /v "$2" |
    awk -v n="$2" 'tolower($1) == tolower(n) { print $NF }'
}

# reg_export KEY: the key's export as UTF-8 text with Unix line ends (reg.exe writes
# UTF-16, which keeps every character; its console output does not).
reg_export() {
  wine reg export "$1" 'C:\ovr\export.reg' /y >/dev/null 2>&1
  [[ -f $drive_c/ovr/export.reg ]] || return 1
  iconv -f UTF-16 -t UTF-8 "$drive_c/ovr/export.reg" | tr -d '\r'
  rm -f "$drive_c/ovr/export.reg"
}

# reg_key_exists KEY
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }

# start_program NAME [ARGS...]: starts the stand-in program under C:\apps\NAME and waits
# until it runs.
start_program() {
  local name=$1
  shift
  cp "$OVR_WINE_BUILD/bin/sleeper.exe" "$drive_c/apps/$name"
  wine start /unix "$drive_c/apps/$name" "$@" >/dev/null 2>&1
  local i
  for i in $(seq 50); do
    running "$name" && return 0
    sleep 0.2
  done
  check_fail "start $name"
}

# The Unix ids of the programs under C:\apps\NAME (any, without NAME) of the machine.
program_pids() {
  local pid
  for pid in $(pgrep -f 'apps' 2>/dev/null); do
    tr '\0' ' ' </proc/$pid/cmdline 2>/dev/null | grep -qiF -- "\\apps\\${1:-}" || continue
    tr '\0' '\n' </proc/$pid/environ 2>/dev/null | grep -qxF -- "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}

# running NAME: a program of the machine runs C:\apps\NAME.
running() { [[ -n $(program_pids "$1") ]]; }

# Ends the stand-in programs that a scenario left running.
stop_programs() {
  local pids
  pids=$(program_pids)
  [[ -z $pids ]] || kill $pids 2>/dev/null
}

# ---- checks ----

check_fail() {
  ((checks++, failures++, scenario_failures++))
  echo "  failed: $*"
}

check_pass() { ((checks++)); }

# expect_eq WHAT ACTUAL EXPECTED
expect_eq() {
  if [[ "$2" == "$3" ]]; then check_pass; else check_fail "$1: got '$2', expected '$3'"; fi
}

# expect_log TEXT: the log holds TEXT (a fixed string) on some line.
expect_log() {
  if grep -qF -- "$1" "$(log_file)" 2>/dev/null; then check_pass; else check_fail "log lacks '$1'"; fi
}

expect_no_log() {
  if grep -qF -- "$1" "$(log_file)" 2>/dev/null; then check_fail "log has '$1'"; else check_pass; fi
}

expect_running() {
  if running "$1"; then check_pass; else check_fail "$1 is not running"; fi
}

expect_not_running() {
  local i
  for i in $(seq 25); do
    running "$1" || { check_pass; return; }
    sleep 0.2
  done
  check_fail "$1 still runs"
}

expect_key() {
  if reg_key_exists "$1"; then check_pass; else check_fail "key $1 is missing"; fi
}

expect_no_key() {
  if reg_key_exists "$1"; then check_fail "key $1 exists"; else check_pass; fi
}

# Prints the totals; the suite's status.
summary() {
  end_machine
  echo "wine suite: $checks checks, $failures failed"
  ((failures == 0))
}

# expect_log_re REGEX: some log line matches the extended regular expression.
expect_log_re() {
  if grep -qE -- "$1" "$(log_file)" 2>/dev/null; then check_pass; else check_fail "no log line matches /$1/"; fi
}
