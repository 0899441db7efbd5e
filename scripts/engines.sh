#!/usr/bin/env bash
# Starts and stops the database engines the test suite runs against, privately for one
# checkout: PostgreSQL 15 and MariaDB 10.11 on loopback and unix sockets with ports picked
# free at start, Firebird 3 embedded on a local database file, SQLite on a file.
#
#   scripts/engines.sh start    start what is not running yet (idempotent), write the env file
#   scripts/engines.sh stop     stop every server started here; nothing stays behind
#   scripts/engines.sh status   print which engine is up
#   scripts/engines.sh env      print the path of the env file (source it before ctest)
#
# State lives in $CORBEL_ENGINES_DIR (default: build/engines of this checkout). The env file
# exports the ODBC configuration (ODBCSYSINI, ODBCINI with one DSN per engine), a connection
# string per engine, the Firebird command and database, and CORBEL_ENGINES_READY=1.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
STATE=${CORBEL_ENGINES_DIR:-$ROOT/build/engines}
ENV_FILE=$STATE/env.sh
PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}
DB_NAME=corbel_test
MY_USER=corbel
MY_PASSWORD=corbel
ODBC_LIB_DIR=/usr/lib/x86_64-linux-gnu/odbc

log() { echo "engines: $*" >&2; }
is_root() { [[ $(id -u) -eq 0 ]]; }
# A start that fails stops what it has started already.
STARTING=0
die() {
  log "$*"
  if ((STARTING)); then
    pg_stop
    my_kill
  fi
  exit 1
}
# MariaDB's administrator logs in over the socket as the OS user that installed the server.
if is_root; then MY_ADMIN=root; else MY_ADMIN=$(id -un); fi

# Runs a command as the PostgreSQL owner: user postgres when we are root (the server refuses
# to run as root), ourselves otherwise.
as_pg() {
  if is_root; then runuser -u postgres -- "$@"; else "$@"; fi
}

# Whether `pid` is still a process running `program` (a recorded pid may have been reused).
pid_runs() { [[ $(readlink "/proc/$1/exe" 2>/dev/null) == */"$2" ]]; }

port_in_use() { ss -Hltn "sport = :$1" 2>/dev/null | grep -q .; }

# A port nobody listens on, drawn at random so that checkouts started at the same moment
# rarely draw the same one; a start that still collides is retried with another port.
free_port() {
  local p
  for _ in $(seq 1 200); do
    p=$((20000 + RANDOM % 40000))
    port_in_use "$p" || { echo "$p"; return 0; }
  done
  return 1
}

# Unix socket paths are limited to about 107 bytes; a deep checkout puts them in /tmp.
socket_dir() {
  local dir=$STATE/run
  mkdir -p "$STATE"
  if [[ -f $STATE/socket_dir ]]; then
    cat "$STATE/socket_dir"
    return
  fi
  if ((${#dir} > 70)); then
    dir=$(mktemp -d /tmp/corbel-engines.XXXXXX)
  fi
  mkdir -p "$dir"
  chmod 755 "$dir"
  echo "$dir" >"$STATE/socket_dir"
  echo "$dir"
}

read_state() { [[ -f $STATE/$1 ]] && cat "$STATE/$1"; }

find_driver() {
  local name=$1 path
  [[ -f $ODBC_LIB_DIR/$name ]] && { echo "$ODBC_LIB_DIR/$name"; return 0; }
  path=$(dpkg -L "$2" 2>/dev/null | grep -m1 "/$name\$")
  [[ -n $path && -f $path ]] && { echo "$path"; return 0; }
  return 1
}

# ---- PostgreSQL ----------------------------------------------------------------------------

pg_running() {
  local port
  port=$(read_state pg_port) || return 1
  "$PG_BIN/pg_isready" -q -h "$(socket_dir)" -p "$port" 2>/dev/null
}

pg_start() {
  local data=$STATE/postgresql/data sock port
  sock=$(socket_dir)
  if pg_running; then return 0; fi
  mkdir -p "$STATE/postgresql"
  if is_root; then chown postgres: "$STATE/postgresql" "$sock"; fi
  if [[ ! -f $data/PG_VERSION ]]; then
    rm -rf "$data"
    as_pg "$PG_BIN/initdb" -A trust -U postgres -E UTF8 --locale=C.UTF-8 -D "$data" \
      >"$STATE/postgresql/initdb.log" 2>&1 || die "initdb failed, see $STATE/postgresql/initdb.log"
  fi
  for _ in 1 2 3 4 5; do
    port=$(free_port) || die "no free port for PostgreSQL"
    if as_pg "$PG_BIN/pg_ctl" -D "$data" -l "$STATE/postgresql/server.log" -w -t 30 \
      -o "-c listen_addresses=127.0.0.1 -p $port -k $sock -c fsync=off" start >/dev/null 9>&-; then
      echo "$port" >"$STATE/pg_port"
      break
    fi
    port=""
  done
  [[ -n $port ]] || die "PostgreSQL did not start, see $STATE/postgresql/server.log"
  if ! "$PG_BIN/psql" -h "$sock" -p "$port" -U postgres -d postgres -tAq \
    -c "SELECT 1 FROM pg_database WHERE datname = '$DB_NAME'" | grep -q 1; then
    "$PG_BIN/psql" -h "$sock" -p "$port" -U postgres -d postgres -q \
      -c "CREATE DATABASE $DB_NAME" || die "could not create the PostgreSQL test database"
  fi
}

pg_stop() {
  local data=$STATE/postgresql/data
  [[ -f $data/postmaster.pid ]] || return 0
  as_pg "$PG_BIN/pg_ctl" -D "$data" -m fast -w -t 30 stop >/dev/null 2>&1
  if [[ -f $data/postmaster.pid ]]; then
    local pid
    pid=$(head -1 "$data/postmaster.pid")
    [[ -n $pid ]] && pid_runs "$pid" postgres && kill -KILL "$pid" 2>/dev/null
    rm -f "$data/postmaster.pid"
  fi
}

# ---- MariaDB -------------------------------------------------------------------------------

my_admin() {
  mariadb-admin --no-defaults --socket="$(socket_dir)/mariadb.sock" -u "$MY_ADMIN" "$@"
}

my_running() {
  local pid
  pid=$(read_state my_pid) || return 1
  pid_runs "$pid" mariadbd && my_admin ping >/dev/null 2>&1
}

my_start() {
  local dir=$STATE/mariadb sock port pid user_opt=() root_opt=()
  sock=$(socket_dir)/mariadb.sock
  if my_running; then return 0; fi
  my_kill
  mkdir -p "$dir"
  if is_root; then
    user_opt=(--user=root)
  else
    root_opt=(--auth-root-socket-user="$MY_ADMIN")
  fi
  if [[ ! -d $dir/data/mysql ]]; then
    rm -rf "$dir/data"
    mariadb-install-db --no-defaults --datadir="$dir/data" "${user_opt[@]}" "${root_opt[@]}" \
      --skip-test-db --skip-name-resolve --auth-root-authentication-method=socket \
      >"$dir/install.log" 2>&1 || die "mariadb-install-db failed, see $dir/install.log"
  fi
  for _ in 1 2 3 4 5; do
    port=$(free_port) || die "no free port for MariaDB"
    rm -f "$sock"
    mariadbd --no-defaults --datadir="$dir/data" --socket="$sock" --port="$port" \
      --bind-address=127.0.0.1 "${user_opt[@]}" --pid-file="$dir/mariadbd.pid" \
      --log-error="$dir/server.log" --skip-name-resolve --innodb-buffer-pool-size=32M \
      --innodb-log-file-size=16M --innodb-flush-log-at-trx-commit=0 --skip-log-bin \
      --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
      </dev/null >/dev/null 2>&1 9>&- &
    pid=$!
    echo "$pid" >"$STATE/my_pid"
    for _ in $(seq 1 300); do
      my_admin ping >/dev/null 2>&1 && break
      pid_runs "$pid" mariadbd || break
      sleep 0.05
    done
    if my_admin ping >/dev/null 2>&1; then
      echo "$port" >"$STATE/my_port"
      break
    fi
    my_kill
    port=""
  done
  [[ -n $port ]] || die "MariaDB did not start, see $dir/server.log"
  # root logs in over the socket only; the tests use a password user over TCP and the socket.
  mariadb --no-defaults --socket="$sock" -u "$MY_ADMIN" -e "
    CREATE DATABASE IF NOT EXISTS $DB_NAME CHARACTER SET utf8mb4;
    CREATE USER IF NOT EXISTS '$MY_USER'@'localhost' IDENTIFIED BY '$MY_PASSWORD';
    CREATE USER IF NOT EXISTS '$MY_USER'@'127.0.0.1' IDENTIFIED BY '$MY_PASSWORD';
    GRANT ALL ON *.* TO '$MY_USER'@'localhost';
    GRANT ALL ON *.* TO '$MY_USER'@'127.0.0.1';" || die "could not create the MariaDB test user"
}

# Stops the server whose pid was recorded: a clean shutdown first, SIGKILL when it hangs.
my_kill() {
  local pid
  pid=$(read_state my_pid) || return 0
  if pid_runs "$pid" mariadbd; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 200); do
      pid_runs "$pid" mariadbd || break
      sleep 0.05
    done
    pid_runs "$pid" mariadbd && kill -KILL "$pid" 2>/dev/null
  fi
  # Reap it when it is our own child (the start path).
  wait "$pid" 2>/dev/null
  rm -f "$STATE/my_pid"
}

# ---- Firebird and SQLite (files, no server) -------------------------------------------------

fb_start() {
  local dir=$STATE/firebird
  mkdir -p "$dir/lock"
  if [[ ! -f $dir/$DB_NAME.fdb ]]; then
    echo "CREATE DATABASE '$dir/$DB_NAME.fdb' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;" |
      FIREBIRD_LOCK=$dir/lock isql-fb -q -b >"$dir/create.log" 2>&1 ||
      die "could not create the Firebird database, see $dir/create.log"
  fi
}

sqlite_start() {
  mkdir -p "$STATE/sqlite"
}

# ---- ODBC configuration and env file ---------------------------------------------------------

# One driver entry of odbcinst.ini: name, description, library, extra key=value settings.
driver_section() {
  printf '[%s]\nDescription=%s\nDriver=%s\n' "$1" "$2" "$3"
  shift 3
  printf '%s\n' "$@" UsageCount=1 ""
}

write_config() {
  local sock odbc=$STATE/odbc sqlite_drv pgw_drv pga_drv my_drv pg_port my_port
  sock=$(socket_dir)
  pg_port=$(read_state pg_port)
  my_port=$(read_state my_port)
  sqlite_drv=$(find_driver libsqlite3odbc.so libsqliteodbc) || die "SQLite ODBC driver missing"
  pgw_drv=$(find_driver psqlodbcw.so odbc-postgresql) || die "PostgreSQL ODBC driver missing"
  pga_drv=$(find_driver psqlodbca.so odbc-postgresql) || die "PostgreSQL ODBC driver missing"
  my_drv=$(find_driver libmaodbc.so odbc-mariadb) || die "MariaDB ODBC driver missing"
  mkdir -p "$odbc"
  {
    driver_section "SQLite3" "SQLite3 ODBC Driver" "$sqlite_drv"
    # The PostgreSQL driver writes a log file per process into /tmp unless CommLog=0.
    driver_section "PostgreSQL Unicode" "PostgreSQL ODBC driver (Unicode version)" "$pgw_drv" \
      Debug=0 CommLog=0
    driver_section "PostgreSQL ANSI" "PostgreSQL ODBC driver (ANSI version)" "$pga_drv" \
      Debug=0 CommLog=0
    driver_section "MariaDB" "MariaDB Connector/ODBC" "$my_drv" Threading=0
    driver_section "MariaDB Unicode" "MariaDB Connector/ODBC" "$my_drv" Threading=0
  } >"$odbc/odbcinst.ini"
  cat >"$odbc/odbc.ini" <<EOF
[corbel_sqlite]
Driver=SQLite3
Database=$STATE/sqlite/$DB_NAME.db
Timeout=10000

[corbel_postgresql]
Driver=PostgreSQL Unicode
Servername=127.0.0.1
Port=$pg_port
Database=$DB_NAME
Username=postgres
Password=
Debug=0
CommLog=0

[corbel_mariadb]
Driver=MariaDB
Server=127.0.0.1
Port=$my_port
Database=$DB_NAME
User=$MY_USER
Password=$MY_PASSWORD
EOF
  local tmp=$ENV_FILE.tmp
  cat >"$tmp" <<EOF
# Written by scripts/engines.sh start; source it before running the tests.
export CORBEL_ENGINES_DIR='$STATE'
export ODBCSYSINI='$odbc'
export ODBCINI='$odbc/odbc.ini'
export CORBEL_SQLITE_DSN='corbel_sqlite'
export CORBEL_SQLITE_CONNECT='DSN=corbel_sqlite;'
export CORBEL_SQLITE_DB='$STATE/sqlite/$DB_NAME.db'
export CORBEL_PG_DSN='corbel_postgresql'
export CORBEL_PG_CONNECT='DSN=corbel_postgresql;UID=postgres;PWD=;'
export CORBEL_PG_HOST='127.0.0.1'
export CORBEL_PG_PORT='$pg_port'
export CORBEL_PG_SOCKET_DIR='$sock'
export CORBEL_PG_USER='postgres'
export CORBEL_PG_DATABASE='$DB_NAME'
export CORBEL_MARIADB_DSN='corbel_mariadb'
export CORBEL_MARIADB_CONNECT='DSN=corbel_mariadb;UID=$MY_USER;PWD=$MY_PASSWORD;'
export CORBEL_MARIADB_HOST='127.0.0.1'
export CORBEL_MARIADB_PORT='$my_port'
export CORBEL_MARIADB_SOCKET='$sock/mariadb.sock'
export CORBEL_MARIADB_USER='$MY_USER'
export CORBEL_MARIADB_PASSWORD='$MY_PASSWORD'
export CORBEL_MARIADB_DATABASE='$DB_NAME'
export CORBEL_FIREBIRD_ISQL='$(command -v isql-fb)'
export CORBEL_FIREBIRD_DB='$STATE/firebird/$DB_NAME.fdb'
export CORBEL_FIREBIRD_USER='SYSDBA'
export FIREBIRD_LOCK='$STATE/firebird/lock'
export CORBEL_ENGINES_READY=1
EOF
  mv "$tmp" "$ENV_FILE"
}

# ---- commands --------------------------------------------------------------------------------

cmd_start() {
  mkdir -p "$STATE"
  exec 9>"$STATE/.lock"
  flock 9
  STARTING=1
  command -v isql-fb >/dev/null || die "isql-fb missing (scripts/install-deps.sh installs it)"
  sqlite_start
  fb_start
  pg_start
  my_start
  write_config
  STARTING=0
  log "ready (PostgreSQL port $(read_state pg_port), MariaDB port $(read_state my_port)); env: $ENV_FILE"
}

cmd_stop() {
  [[ -d $STATE ]] || return 0
  exec 9>"$STATE/.lock"
  flock 9
  pg_stop
  my_kill
  rm -f "$ENV_FILE" "$STATE/pg_port" "$STATE/my_port"
  local sock
  if [[ -f $STATE/socket_dir ]]; then
    sock=$(cat "$STATE/socket_dir")
    rm -f "$sock/mariadb.sock" "$sock"/.s.PGSQL.*
    [[ $sock == /tmp/corbel-engines.* ]] && rmdir "$sock" 2>/dev/null
    rm -f "$STATE/socket_dir"
  fi
  log "stopped"
}

cmd_status() {
  local up=0
  if pg_running; then echo "postgresql: up (port $(read_state pg_port))"; else echo "postgresql: down"; up=1; fi
  if my_running; then echo "mariadb: up (port $(read_state my_port))"; else echo "mariadb: down"; up=1; fi
  if [[ -f $STATE/firebird/$DB_NAME.fdb ]]; then
    echo "firebird: $STATE/firebird/$DB_NAME.fdb"
  else
    echo "firebird: no database"; up=1
  fi
  if [[ -d $STATE/sqlite ]]; then echo "sqlite: $STATE/sqlite/$DB_NAME.db"; else echo "sqlite: not set up"; up=1; fi
  return $up
}

case ${1:-} in
  start) cmd_start ;;
  stop) cmd_stop ;;
  status) cmd_status ;;
  env)
    [[ -f $ENV_FILE ]] || die "not started: run scripts/engines.sh start"
    echo "$ENV_FILE"
    ;;
  *) echo "usage: $0 start|stop|status|env" >&2; exit 2 ;;
esac
