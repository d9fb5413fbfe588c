#!/usr/bin/env bash
# A private PostgreSQL server for the tests: a fresh cluster in a temporary
# folder, listening on a free port of 127.0.0.1 only, with password logins.
#   pg_server.sh start STATE [--watch-parent]   start it; STATE/server.env tells how to reach it
#   pg_server.sh stop STATE                stop it and remove its files
# As root the server runs as an ordinary user (PostgreSQL refuses the superuser).
# With --watch-parent, a watcher stops the server once the calling process (the
# test run) has gone, however it ended.
set -euo pipefail

cmd=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$(dirname "$state")"
state=$(cd "$(dirname "$state")" && pwd)/$(basename "$state")
self=$(readlink -f "$0")
cd /  # the server's user may not enter the caller's folder

bindir() {
  local dir
  dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -x "$dir/initdb" ] || { echo "pg_server.sh: no PostgreSQL server installed (initdb)" >&2; exit 1; }
  printf '%s\n' "$dir"
}

# Runs a command as the server's user.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$owner" -- "$@"; else "$@"; fi
}

stop() {
  [ -f "$state/server.env" ] || { rm -rf "$state"; return 0; }
  local data bin owner
  data=$(sed -n 's/^DATA=//p' "$state/server.env")
  bin=$(sed -n 's/^BIN=//p' "$state/server.env")
  owner=$(sed -n 's/^OWNER=//p' "$state/server.env")
  if [ -n "$data" ] && [ -f "$data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
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
  local bin root owner password port
  bin=$(bindir)
  owner=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then owner=$(getent passwd postgres >/dev/null && echo postgres || echo nobody); fi
  root=$(mktemp -d /tmp/vn-pg.XXXXXX)
  chmod 700 "$root"
  password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
  printf '%s\n' "$password" > "$root/pwfile"
  [ "$(id -u)" -eq 0 ] && chown -R "$owner" "$root"
  # Written first, so that stop finds the folder even when start fails below.
  printf 'DATA=%s\nBIN=%s\nOWNER=%s\n' "$root/data" "$bin" "$owner" > "$state/server.env"
  as_owner "$bin/initdb" -D "$root/data" -U vn_test --pwfile="$root/pwfile" --auth=scram-sha-256 \
    -E UTF8 --locale=C >"$root/initdb.log" 2>&1 || { cat "$root/initdb.log" >&2; exit 1; }
  rm -f "$root/pwfile"
  local tries
  for tries in 1 2 3 4 5; do
    port=$(free_port)
    if as_owner "$bin/pg_ctl" -D "$root/data" -l "$root/server.log" -w -t 30 \
         -o "-p $port -c listen_addresses=127.0.0.1 -k $root -c fsync=off" start >/dev/null 2>&1; then
      break
    fi
    port=""
  done
  [ -n "$port" ] || { cat "$root/server.log" >&2; exit 1; }
  PGPASSWORD=$password "$bin/createdb" -h 127.0.0.1 -p "$port" -U vn_test vn_test
  printf 'DATA=%s\nBIN=%s\nOWNER=%s\nHOST=127.0.0.1\nPORT=%s\nUSER=vn_test\nPASSWORD=%s\nDATABASE=vn_test\n' \
    "$root/data" "$bin" "$owner" "$port" "$password" > "$state/server.env"
  chmod 600 "$state/server.env"
  if [ "${3:-}" = --watch-parent ]; then
    # Detached from the test run's output, so that the run does not wait for it.
    setsid bash -c 'while kill -0 "$1" 2>/dev/null && [ -f "$2/server.env" ]; do sleep 2; done; "$3" stop "$2"' \
      watcher "$PPID" "$state" "$self" </dev/null >/dev/null 2>&1 &
  fi
}

case "$cmd" in
  start) start "$@" ;;
  stop) stop ;;
  *) echo "pg_server.sh: start or stop" >&2; exit 2 ;;
esac
