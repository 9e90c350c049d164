#!/usr/bin/env bash
# Installs what is missing, builds and opens the programmer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/src/selvanam "$@"
