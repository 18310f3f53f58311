#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests and the benchmarks, in a folder of its own.
#   eval "$(scripts/test-postgres.sh start DIR)"   makes and starts it; prints the exports
#   scripts/test-postgres.sh stop DIR              stops it and removes DIR
# The tests' cluster does not wait for the disk (fsync off); with VILT_PG_DURABLE=1 it does,
# as a real server would, for the benchmarks.
# DIR is an empty folder (mktemp -d). The server listens on 127.0.0.1 at a free port and on a
# socket in DIR/socket. Over TCP it asks for a password (SCRAM): a role «vilt» with a random
# one, owner of the database «vilt». The password is only in DIR/pgpass, which libpq reads
# through PGPASSFILE. Printed: PGPASSFILE, VILT_TEST_PG_URL (postgresql://vilt@127.0.0.1:PORT/
# vilt) and VILT_TEST_PG_SOCKET (the socket folder). The server refuses to run as root: as
# root it runs as the user postgres.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
action=${1:-}
dir=${2:-}
if [ -z "$dir" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
    echo "usage: $0 start|stop DIR" >&2
    exit 2
fi

as_server() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

if [ "$action" = stop ]; then
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    exit 0
fi

# A port nothing listens on now; the start below tries the next ones if it is taken meanwhile.
free_port() {
    local port=$1
    while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
    echo "$port"
}

chmod 755 "$dir"
mkdir -p "$dir/data" "$dir/socket"
[ "$(id -u)" -eq 0 ] && chown postgres: "$dir/data" "$dir/socket"
as_server "$bin/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C \
    --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }

fsync=off
[ "${VILT_PG_DURABLE:-0}" = 1 ] && fsync=on
port=$(free_port $((20000 + RANDOM % 20000)))
started=no
for _ in 1 2 3 4 5; do
    if as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 30 \
        -o "-k $dir/socket -p $port -c listen_addresses=127.0.0.1 -c fsync=$fsync" \
        start >/dev/null 2>&1; then
        started=yes
        break
    fi
    port=$(free_port $((port + 1)))
done
[ "$started" = yes ] || { cat "$dir/data/server.log" >&2; exit 1; }

password=$(head -c 18 /dev/urandom | od -An -tx1 | tr -d ' \n')
admin=(psql -X -q -v ON_ERROR_STOP=1 -h "$dir/socket" -p "$port" -U postgres -d postgres)
"${admin[@]}" -c "CREATE ROLE vilt LOGIN PASSWORD '$password'" >&2
"${admin[@]}" -c "CREATE DATABASE vilt OWNER vilt" >&2
# Any role over TCP: a wrong user name is then refused by the server, in its own words.
echo "127.0.0.1:$port:*:*:$password" >"$dir/pgpass"
chmod 600 "$dir/pgpass"

echo "export PGPASSFILE='$dir/pgpass'"
echo "export VILT_TEST_PG_URL='postgresql://vilt@127.0.0.1:$port/vilt'"
echo "export VILT_TEST_PG_SOCKET='$dir/socket'"
