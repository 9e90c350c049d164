#!/usr/bin/env bash
# A throwaway PostgreSQL server of our own for the tests and the benchmark: a data folder in DIR,
# a free port on 127.0.0.1 and a socket in DIR, trust authentication, superuser "selvana". The
# test servers also have a role that must give its password over TCP ("selvana_password",
# password "giusta") and one that may not log in ("selvana_nologin").
# Nothing outside DIR is touched; the system's own clusters are left alone.
#
#   scripts/lib/postgres.sh start DIR [--fast]  makes the server if DIR has none, starts it and
#                                               prints its URI (--fast: no syncs to disk, for
#                                               tests; a commit is still written before it is
#                                               confirmed, so a killed server keeps it)
#   scripts/lib/postgres.sh stop DIR [--now]    stops it (--now: as if the power went)
#   scripts/lib/postgres.sh start DIR           again: the same server on the same port
#
# The test suite's servers (CTest starts and stops them around the tests that use them):
#   scripts/lib/postgres.sh test-servers ROOT       ROOT/shared and ROOT/own, each with its URI
#                                                   in uri; copies of a data folder made once by
#                                                   initdb and kept in ROOT/template
#   scripts/lib/postgres.sh stop-test-servers ROOT
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

# A data folder in DIR, not started.
pg_init() {
    local dir=$1 fast=${2:-} bin
    bin=$(pg_bin)
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
    if [ "$fast" = "--fast" ]; then touch "$dir/fast"; else rm -f "$dir/fast"; fi
}

pg_start() {
    local dir=$1 fast=${2:-} bin port tries options
    bin=$(pg_bin)
    dir=$(cd "$dir" && pwd)
    [ -f "$dir/data/PG_VERSION" ] || pg_init "$dir" "$fast"
    options="-c listen_addresses=127.0.0.1 -k $dir/socket"
    [ -f "$dir/fast" ] && options+=" -c fsync=off -c full_page_writes=off"
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

# The roles of the tests of a connection refused; the password's line of pg_hba.conf comes
# before the lines that trust everyone.
pg_add_test_roles() {
    local dir=$1 bin
    bin=$(pg_bin)
    printf '%s\n' "CREATE ROLE selvana_password LOGIN PASSWORD 'giusta'" \
        "CREATE ROLE selvana_nologin NOLOGIN" |
        pg_as_owner "$bin/postgres" --single -D "$dir/data" postgres >"$dir/single.log" 2>&1 || {
        cat "$dir/single.log" >&2
        return 1
    }
    rm -f "$dir/single.log"
    sed -i '1i host all selvana_password 127.0.0.1/32 scram-sha-256' "$dir/data/pg_hba.conf"
}

# "shared" serves the tests that only touch databases of their own; "own" the test that stops
# and starts its server. Without PostgreSQL installed there are none, and those tests skip.
pg_test_servers() {
    local root=$1 bin version name
    bin=$(pg_bin 2>/dev/null) || {
        echo "PostgreSQL non è installato: i test del registro condiviso saltano" >&2
        return 0
    }
    mkdir -p "$root"
    root=$(cd "$root" && pwd)
    pg_stop_test_servers "$root"
    # The stamp changes with what the template holds besides initdb's output.
    version="$("$bin/postgres" --version), test roles"
    if [ "$(cat "$root/template/version" 2>/dev/null)" != "$version" ]; then
        rm -rf "$root/template"
        pg_init "$root/template" --fast
        pg_add_test_roles "$root/template"
        echo "$version" >"$root/template/version"
    fi
    local pids=() failed=0 pid
    for name in shared own; do
        cp -a "$root/template" "$root/$name"
        (pg_start "$root/$name" >"$root/$name/uri.new" &&
            mv "$root/$name/uri.new" "$root/$name/uri") &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do
        wait "$pid" || failed=1
    done
    return "$failed"
}

pg_stop_test_servers() {
    local root=$1 name
    for name in shared own; do
        [ -d "$root/$name" ] || continue
        pg_stop "$root/$name" --now || true
        rm -rf "${root:?}/$name"
    done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case "${1:-}" in
    start) pg_start "$2" "${3:-}" ;;
    stop) pg_stop "$2" "${3:-}" ;;
    test-servers) pg_test_servers "$2" ;;
    stop-test-servers) pg_stop_test_servers "$2" ;;
    *)
        echo "uso: $0 start|stop DIR [--fast|--now]; $0 test-servers|stop-test-servers ROOT" >&2
        exit 2
        ;;
    esac
fi
