#!/usr/bin/env bash
# The register of programmed units with 100,000 units in it: the duplicate check before a write
# and the recording of a write, on an SQLite file and on a throwaway PostgreSQL server of its
# own (durable settings, as a company's server has them). Prints the figures.
#   bench/register.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/lib/packages.sh
ensure_packages "${test_packages[@]}"
source scripts/lib/postgres.sh
pg_dir=$(mktemp -d)
trap 'pg_stop "$pg_dir" || true; rm -rf "$pg_dir"' EXIT
uri=$(pg_start "$pg_dir")
build/bench/selvanam-register-bench "$uri"
