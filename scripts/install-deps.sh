#!/usr/bin/env bash
# Installs the packages the build, the tests and the demo need from Debian's archive.
# Idempotent and quiet: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # framework libraries and generators
  libxml2-dev libapr1-dev flex bison
  # ODBC and database engines for the framework's tests
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql odbc-mariadb
  sqlite3 libsqlite3-dev postgresql-15 postgresql-client-15
  mariadb-server mariadb-client firebird3.0-server firebird3.0-utils
  # Windows build of the handler and its test runtime
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64
  # tools used by tests and benchmarks
  util-linux procps hyperfine
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Services must not start from package scripts; the tests start their own servers.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [[ ! -e $policy ]]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee $policy >/dev/null
  $SUDO chmod +x $policy
  made_policy=1
fi
trap '[[ $made_policy -eq 1 ]] && $SUDO rm -f '"$policy" EXIT
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
