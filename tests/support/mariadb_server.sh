#!/usr/bin/env bash
# A private MariaDB server for the tests: a fresh data folder in a temporary
# folder, listening on a free port of 127.0.0.1 only, with a password login.
#   mariadb_server.sh start STATE [--watch-parent]   start it; STATE/server.env tells how to reach it
#   mariadb_server.sh stop STATE                stop it and remove its files
# As root the server runs as an ordinary user; the root login of the server
# is for the system's root over the socket only (the password login is vn_test).
# With --watch-parent, a watcher stops the server once the calling process (the
# test run) has gone, however it ended.
set -euo pipefail

cmd=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$(dirname "$state")"
state=$(cd "$(dirname "$state")" && pwd)/$(basename "$state")
self=$(readlink -f "$0")
cd /  # the server's user may not enter the caller's folder

# The folder of the client programs (mariadb, mariadb-admin, mariadb-dump).
bindir() {
  local client
  client=$(command -v mariadb-admin || true)
  [ -n "$client" ] || { echo "mariadb_server.sh: no MariaDB client installed (mariadb-admin)" >&2; exit 1; }
  dirname "$client"
}

server_program() {
  local server
  server=$(PATH=$PATH:/usr/sbin:/usr/local/sbin command -v mariadbd || true)
  [ -n "$server" ] || { echo "mariadb_server.sh: no MariaDB server installed (mariadbd)" >&2; exit 1; }
  printf '%s\n' "$server"
}

# The server's login of the caller, over the socket (unix_socket authentication).
admin_user() {
  if [ "$(id -u)" -eq 0 ]; then echo root; else id -un; fi
}

# True while the process runs (a child that ended but was not reaped yet counts as gone).
alive() {
  [ -n "$1" ] && [ -d "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null
}

# Waits up to 30 s for the process to end, then kills it.
wait_gone() {
  local pid=$1 i
  for i in $(seq 600); do alive "$pid" || return 0; sleep 0.05; done
  kill -KILL "$pid" 2>/dev/null || true
}

stop() {
  [ -f "$state/server.env" ] || { rm -rf "$state"; return 0; }
  local data bin socket pidfile pid=""
  data=$(sed -n 's/^DATA=//p' "$state/server.env")
  bin=$(sed -n 's/^BIN=//p' "$state/server.env")
  socket=$(sed -n 's/^SOCKET=//p' "$state/server.env")
  pidfile=$(sed -n 's/^PIDFILE=//p' "$state/server.env")
  [ -n "$pidfile" ] && [ -f "$pidfile" ] && pid=$(cat "$pidfile" 2>/dev/null || true)
  # Only the server of this folder, not a process that took its old number.
  if [ -n "$pid" ] && alive "$pid" && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = mariadbd ]; then
    # SHUTDOWN returns at once (mariadb-admin polls the pid file once a
    # second); without a login, a TERM does the same.
    if ! "$bin/mariadb" --no-defaults -S "$socket" -u "$(admin_user)" --connect-timeout=5 \
         -e SHUTDOWN >/dev/null 2>&1; then
      kill -TERM "$pid" 2>/dev/null || true
    fi
    wait_gone "$pid"
  fi
  [ -n "$data" ] && rm -rf "$(dirname "$data")"
  rm -rf "$state"
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

start() {
  stop
  mkdir -p "$state"
  chmod 700 "$state"
  local bin server root owner password port admin
  bin=$(bindir)
  server=$(server_program)
  admin=$(admin_user)
  owner=$(id -un)
  local as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    owner=$(getent passwd mysql >/dev/null && echo mysql || echo nobody)
    as_user=(--user="$owner")
  fi
  root=$(mktemp -d /tmp/vn-mariadb.XXXXXX)
  chmod 700 "$root"
  [ "$(id -u)" -eq 0 ] && chown "$owner" "$root"
  local socket=$root/mysqld.sock pidfile=$root/mysqld.pid
  # Written first, so that stop finds the folder even when start fails below.
  printf 'DATA=%s\nBIN=%s\nOWNER=%s\nSOCKET=%s\nPIDFILE=%s\n' \
    "$root/data" "$bin" "$owner" "$socket" "$pidfile" > "$state/server.env"
  # Small and fast: the data is thrown away with the folder.
  local options=(
    --datadir="$root/data" --tmpdir="$root" "${as_user[@]}"
    --skip-name-resolve --lower-case-table-names=0
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci
    --innodb-buffer-pool-size=32M --innodb-log-file-size=8M --innodb-flush-log-at-trx-commit=0
    --innodb-doublewrite=0 --skip-log-bin
  )
  # The system's root (or the calling user) logs in over the socket without a password.
  "$bin/mariadb-install-db" --no-defaults "${options[@]}" --auth-root-authentication-method=socket \
    --auth-root-socket-user="$admin" --skip-test-db >"$root/install.log" 2>&1 ||
    { cat "$root/install.log" >&2; exit 1; }
  local tries pid i
  for tries in 1 2 3 4 5; do
    port=$(free_port)
    rm -f "$socket" "$pidfile"
    # In a session of its own, detached from the caller's output: the caller
    # (ctest) waits for its output to close, not for the server.
    setsid "$server" --no-defaults "${options[@]}" --socket="$socket" --pid-file="$pidfile" \
      --port="$port" --bind-address=127.0.0.1 --skip-networking=0 --log-error="$root/server.log" \
      </dev/null >/dev/null 2>&1 &
    pid=$!
    for i in $(seq 600); do
      "$bin/mariadb-admin" --no-defaults -S "$socket" -u "$admin" ping >/dev/null 2>&1 && break
      alive "$pid" || break
      sleep 0.05
    done
    "$bin/mariadb-admin" --no-defaults -S "$socket" -u "$admin" ping >/dev/null 2>&1 && break
    # Gone: most likely another process took the port in the meantime; try another.
    if alive "$pid"; then
      kill -TERM "$pid" 2>/dev/null || true
      wait_gone "$pid"
      echo "mariadb_server.sh: the server did not answer within 30 s" >&2
      cat "$root/server.log" >&2
      exit 1
    fi
    port=""
  done
  [ -n "$port" ] || { cat "$root/server.log" >&2; exit 1; }
  password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
  # On standard input, so that the password never shows in a process list.
  printf "CREATE USER 'vn_test'@'127.0.0.1' IDENTIFIED BY '%s', 'vn_test'@'localhost' IDENTIFIED BY '%s';
GRANT ALL PRIVILEGES ON *.* TO 'vn_test'@'127.0.0.1', 'vn_test'@'localhost' WITH GRANT OPTION;
CREATE DATABASE vn_test CHARACTER SET utf8mb4;\n" "$password" "$password" |
    "$bin/mariadb" --no-defaults -S "$socket" -u "$admin"
  (umask 077 && printf 'DATA=%s\nBIN=%s\nOWNER=%s\nHOST=127.0.0.1\nPORT=%s\nSOCKET=%s\nUSER=vn_test\nPASSWORD=%s\nDATABASE=vn_test\nPIDFILE=%s\n' \
    "$root/data" "$bin" "$owner" "$port" "$socket" "$password" "$pidfile" > "$state/server.env.new")
  mv "$state/server.env.new" "$state/server.env"
  if [ "${3:-}" = --watch-parent ]; then
    # Detached from the test run's output, so that the run does not wait for it.
    setsid bash -c 'while kill -0 "$1" 2>/dev/null && [ -f "$2/server.env" ]; do sleep 2; done; "$3" stop "$2"' \
      watcher "$PPID" "$state" "$self" </dev/null >/dev/null 2>&1 &
  fi
}

case "$cmd" in
  start) start "$@" ;;
  stop) stop ;;
  *) echo "mariadb_server.sh: start or stop" >&2; exit 2 ;;
esac
