#!/usr/bin/env bash
# Stops and starts a test server of scripts/lib/postgres.sh when a test program asks through a
# file: the Windows build's tests run under Wine, which cannot run this machine's bash. It serves
# from the first test to the last (CTest's fixture), and ends by itself when its folder goes or
# after half an hour.
#
#   postgres_control.sh start DIR POSTGRES_SH    serves DIR's server, in the background
#   postgres_control.sh stop DIR
#
# A request is a file DIR/control/NAME.request holding "stop", "stop --now" or "start"; the
# answer, NAME.done, holds postgres.sh's exit status.
set -euo pipefail

serve() {
    local dir=$1 script=$2 request status words
    local deadline=$((SECONDS + 1800))
    while [ -d "$dir/control" ] && [ ! -e "$dir/control/stop" ] && ((SECONDS < deadline)); do
        for request in "$dir"/control/*.request; do
            [ -f "$request" ] || continue
            read -r -a words <"$request" || true
            status=2
            case "${words[*]:-}" in
            "stop" | "stop --now" | "start")
                status=0
                bash "$script" "${words[0]}" "$dir" "${words[@]:1}" \
                    >>"$dir/control/log" 2>&1 || status=$?
                ;;
            esac
            echo "$status" >"${request%.request}.done.new"
            mv "${request%.request}.done.new" "${request%.request}.done"
            rm -f "$request"
        done
        sleep 0.05
    done
}

case "${1:-}" in
start)
    [ -d "$2" ] || exit 0 # no PostgreSQL here: the tests of the register on a server skip
    dir=$(cd "$2" && pwd)
    rm -rf "$dir/control"
    mkdir -p "$dir/control"
    setsid bash "$0" serve "$dir" "$3" </dev/null >/dev/null 2>&1 &
    ;;
serve) serve "$2" "$3" ;;
stop) [ ! -d "$2/control" ] || touch "$2/control/stop" ;;
*)
    echo "uso: $0 start DIR POSTGRES_SH | stop DIR" >&2
    exit 2
    ;;
esac
