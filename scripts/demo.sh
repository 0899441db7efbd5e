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

# ---- a product that is running ---------------------------------------------------------
# A stand-in for Notepad++ (a copy of sleep named like the product's executable) runs while
# the handler is started twice: two hours after system start (outside the force-kill
# window: the product is left alone, the run is postponed and Fast Startup is switched off)
# and two minutes after start (inside the window: the product is terminated). The uptime
# each run sees is set with a time namespace (unshare --time --boottime).
echo
echo "=== Notepad++ is running"
apps=$demo/apps
mkdir -p "$apps"
cp "$(command -v sleep)" "$apps/notepad++.exe"
export OVRAVELIN_REGISTRY=$demo/registry.reg
cat > "$OVRAVELIN_REGISTRY" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Velmora\Orvanta\OVAgent]
"OVAgentInstallDir"="C:\\Program Files (x86)\\Agent"
"OVAgentVersion"="11.0.2"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Power]
"HibernateEnabled"=dword:00000001
REG
rm -f "$demo/logs/ovravelin.log"

# A time namespace needs root, or a user namespace mapping the caller to root.
timens=(unshare --time)
if ! "${timens[@]}" true 2>/dev/null; then timens=(unshare --user --map-root-user --time); fi
if ! "${timens[@]}" true 2>/dev/null; then
  echo "(this machine allows no time namespace: unshare --time fails; the demo ends here)"
  exit 0
fi
# Runs the handler at an uptime of $1 seconds; the remaining arguments are its options.
at_uptime() {
  local uptime=$1; shift
  local now; now=$(cut -d. -f1 /proc/uptime)
  "${timens[@]}" --boottime $((uptime - now)) "$bin" "$@"
}

"$apps/notepad++.exe" 100000 &
app=$!
sleep 0.2
running() { if kill -0 "$app" 2>/dev/null && ! grep -q '^State:.*Z' /proc/$app/status; then echo running; else echo terminated; fi; }

echo "\$ ovravelin -n notepad++        # two hours after system start"
set +e; at_uptime 7200 -n notepad++; code=$?; set -e
echo "exit code: $code (20001 as Linux reports it: postpone the installation); notepad++.exe is $(running)"
echo "\$ ovravelin -n notepad++        # two minutes after system start"
set +e; at_uptime 120 -n notepad++; code=$?; set -e
echo "exit code: $code (proceed); notepad++.exe is $(running)"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo
echo "log file: $demo/logs/ovravelin.log"
echo "---"
cat "$demo/logs/ovravelin.log"
echo "---"
echo "registry file afterwards: $OVRAVELIN_REGISTRY"
echo "---"
cat "$OVRAVELIN_REGISTRY"
echo "---"
