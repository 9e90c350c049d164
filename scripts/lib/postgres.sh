#!/usr/bin/env bash
# A throwaway PostgreSQL server of our own for the tests and the benchmark: a data folder in DIR,
# a free port on 127.0.0.1 and a socket in DIR, trust authentication, superuser "selvana".
# Nothing outside DIR is touched; the system's own clusters are left alone.
#
#   scripts/lib/postgres.sh start DIR [--fast]  makes the server if DIR has none, starts it and
#                                               prints its URI (--fast: no syncs to disk, for
#                                               tests; a commit is still written before it is
#                                               confirmed, so a killed server keeps it)
#   scripts/lib/postgres.sh stop DIR [--now]    stops it (--now: as if the power went)
#   scripts/lib/postgres.sh start DIR           again: the same server on the same port
#
# initdb and postgres refuse to run as root: as root they run as the "postgres" user that the
# Debian package creates, and DIR is made readable to it.
set -euo pipefail

pg_bin() {
    local dir
    dir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    [ -n "$dir" ] || {
        echo "PostgreSQL non è installato (pacchetto postgresql)" >&2
        return 1
    }
    echo "$dir"
}

pg_as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

pg_port_free() {
    ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

pg_start() {
    local dir=$1 fast=${2:-} bin port tries options
    bin=$(pg_bin)
    dir=$(cd "$dir" && pwd)
    if [ ! -f "$dir/data/PG_VERSION" ]; then
        mkdir -p "$dir/data" "$dir/socket" "$dir/log"
        if [ "$(id -u)" -eq 0 ]; then
            chmod 755 "$dir"
            chown postgres: "$dir/data" "$dir/socket" "$dir/log"
            chmod 700 "$dir/data"
        fi
        pg_as_owner "$bin/initdb" -D "$dir/data" -A trust -U selvana -E UTF8 --no-locale \
            --no-sync >"$dir/initdb.log" 2>&1 || {
            cat "$dir/initdb.log" >&2
            return 1
        }
        options="-c listen_addresses=127.0.0.1 -k $dir/socket"
        [ "$fast" = "--fast" ] && options+=" -c fsync=off -c full_page_writes=off"
        echo "$options" >"$dir/options"
    fi
    options=$(cat "$dir/options")
    for tries in 1 2 3 4 5 6 7 8; do
        if [ -f "$dir/port" ]; then
            port=$(cat "$dir/port")
        else
            port=$((20000 + RANDOM % 30000))
            pg_port_free "$port" || continue
        fi
        if pg_as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/log/server.log" -w -t 60 \
            -o "-p $port $options" start >/dev/null; then
            echo "$port" >"$dir/port"
            echo "postgresql://selvana@127.0.0.1:$port/postgres"
            return 0
        fi
        [ -f "$dir/port" ] && break # the same port again: something else holds it now
    done
    echo "Il server PostgreSQL di prova non parte: vedere $dir/log/server.log" >&2
    tail -n 20 "$dir/log/server.log" >&2 || true
    return 1
}

pg_stop() {
    local dir=$1 mode=fast bin
    [ "${2:-}" = "--now" ] && mode=immediate
    bin=$(pg_bin)
    [ -f "$dir/data/postmaster.pid" ] || return 0
    pg_as_owner "$bin/pg_ctl" -D "$dir/data" -m "$mode" -w stop >/dev/null
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case "${1:-}" in
    start) pg_start "$2" "${3:-}" ;;
    stop) pg_stop "$2" "${3:-}" ;;
    *)
        echo "uso: $0 start|stop DIR [--fast|--now]" >&2
        exit 2
        ;;
    esac
fi
