#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# A throwaway PostgreSQL server for the plant-database tests and benchmarks: a cluster made
# with initdb in a temporary folder, listening on 127.0.0.1 only, on a free port, with a
# login role "abgleich" (may create databases) whose password stands in a password file of
# the cluster's own. initdb refuses root, so as root the cluster belongs to the postgres user
# and runs as that user.
#
#   eval "$(bash scripts/pg-test-server.sh start)"   # exports ABGLEICH_TEST_PG_PORT,
#                                                   # ABGLEICH_TEST_PG_DIR and PGPASSFILE
#   bash scripts/pg-test-server.sh stop "$ABGLEICH_TEST_PG_DIR"
#
# halt and resume stop and start the same server on the same port, for the tests of an
# outage.
set -euo pipefail

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
    echo "PostgreSQL server programs not found (Debian package postgresql)" >&2
    exit 1
fi
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(runuser -u postgres --)
fi

case "${1:-}" in
start)
    dir=$(mktemp -d /tmp/abgleich-pg.XXXXXX)
    chmod 755 "$dir"
    mkdir "$dir/data" "$dir/socket"
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres:postgres "$dir/data" "$dir/socket"
    fi
    "${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U postgres --auth-local=trust \
        --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    port=""
    for _ in $(seq 1 20); do
        candidate=$((20000 + RANDOM % 20000))
        if "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 30 \
            -o "-c listen_addresses=127.0.0.1 -p $candidate -k $dir/socket -c fsync=off" \
            start >/dev/null 2>&1; then
            port=$candidate
            break
        fi
    done
    if [ -z "$port" ]; then
        echo "the test server did not start; see $dir/data/server.log" >&2
        exit 1
    fi
    echo "$port" >"$dir/port"
    password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
    "${as_owner[@]}" "$bindir/psql" -q -h "$dir/socket" -p "$port" -U postgres -d postgres \
        -c "CREATE ROLE abgleich LOGIN CREATEDB PASSWORD '$password'" >/dev/null
    printf '127.0.0.1:%s:*:abgleich:%s\n' "$port" "$password" >"$dir/pgpass"
    chmod 600 "$dir/pgpass"
    echo "export ABGLEICH_TEST_PG_PORT=$port ABGLEICH_TEST_PG_DIR=$dir PGPASSFILE=$dir/pgpass"
    ;;
halt)
    dir=${2:?"the server's folder"}
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
resume)
    dir=${2:?"the server's folder"}
    port=$(cat "$dir/port")
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 30 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $dir/socket -c fsync=off" start >/dev/null
    ;;
stop)
    dir=${2:?"the server's folder"}
    if [ -d "$dir/data" ]; then
        "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    case "$dir" in
    /tmp/abgleich-pg.*) rm -rf "$dir" ;;
    esac
    ;;
*)
    echo "usage: $0 start | halt <folder> | resume <folder> | stop <folder>" >&2
    exit 2
    ;;
esac
