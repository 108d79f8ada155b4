#!/usr/bin/env bash
# A private PostgreSQL server for the tests that need one: its own cluster
# in DIR, reached only through the Unix socket in DIR (no TCP port at all),
# local connections trusted.
#
#   scripts/pg-test-cluster.sh start DIR   makes DIR anew and starts the server
#   scripts/pg-test-cluster.sh stop DIR    stops it (also when it is not running)
#                                          and removes DIR
#
# After a start, "host=DIR dbname=postgres" reaches it (also kept in
# DIR/conninfo): its superuser is named after the user who started it, as
# libpq's default user is. The server refuses to run as root, so root runs
# it as the system user valmirtest (made when missing).
set -euo pipefail
what=${1:-}
dir=${2:-}
if [[ $what != start && $what != stop ]] || [[ $dir != /* ]]; then
  echo "usage: $0 start|stop ABSOLUTE-DIR" >&2
  exit 2
fi
# The server's programs find one another from the folder they start in,
# which the system user must be able to enter: not a build folder under a
# closed home.
cd /

bin=${PG_BIN:-}
if [ -z "$bin" ]; then
  for b in /usr/lib/postgresql/15/bin /usr/lib/postgresql/*/bin; do
    [ -x "$b/initdb" ] && bin=$b && break
  done
fi
if [ -z "$bin" ] || [ ! -x "$bin/pg_ctl" ]; then
  # Without the programs no server of ours can be running: nothing to stop.
  [ "$what" = stop ] && rm -rf "$dir" && exit 0
  echo "PostgreSQL server programs (initdb, pg_ctl) not found: install the Debian package" \
    "postgresql (scripts/install-deps.sh)" >&2
  exit 1
fi

owner=$(id -un)
superuser=$owner
as_owner() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  owner=valmirtest
  if ! id -u "$owner" >/dev/null 2>&1; then
    # Another run may have made it meanwhile.
    useradd --system --no-create-home --shell /usr/sbin/nologin "$owner" 2>/dev/null ||
      id -u "$owner" >/dev/null
  fi
  as_owner() { runuser -u "$owner" -- "$@"; }
fi

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    # "immediate": the data are thrown away anyway, and a hung test's open
    # connection must not keep the server up.
    as_owner "$bin/pg_ctl" stop -D "$dir/data" -m immediate -w -t 30 >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

if [ "$what" = stop ]; then
  stop
  exit 0
fi

# What an earlier run left (a killed test run never reached its stop).
stop
# The socket path must stay within the kernel's 107 bytes.
if [ ${#dir} -gt 80 ]; then
  echo "socket folder too long for a Unix socket: $dir" >&2
  exit 1
fi
mkdir -p "$dir"
chmod 0700 "$dir"
[ "$owner" != "$(id -un)" ] && chown "$owner" "$dir"

# Fast over safe: the cluster lives as long as the test run.
if ! as_owner "$bin/initdb" -D "$dir/data" -U "$superuser" -E UTF8 --locale=C.UTF-8 \
  --auth-local=trust --auth-host=reject --no-sync >"$dir/initdb.log" 2>&1; then
  echo "initdb failed:" >&2
  cat "$dir/initdb.log" >&2
  exit 1
fi
cat >>"$dir/data/postgresql.conf" <<EOF
listen_addresses = ''
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 20
shared_buffers = 32MB
EOF

if ! as_owner "$bin/pg_ctl" start -D "$dir/data" -l "$dir/server.log" -w -t 60 >/dev/null; then
  echo "the server did not start:" >&2
  cat "$dir/server.log" >&2
  stop
  exit 1
fi
echo "host=$dir dbname=postgres" >"$dir/conninfo"
echo "PostgreSQL test server in $dir: $(cat "$dir/conninfo")"
