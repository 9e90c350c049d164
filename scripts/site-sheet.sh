#!/usr/bin/env bash
# The picture of the site sheet in docs/: a register filled with one site's writes, the sheet
# made by selvanam-cli registro --pdf, its first page turned into docs/site-sheet.png.
#   scripts/site-sheet.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/lib/packages.sh
ensure_packages poppler-utils
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
build/tools/register_demo/selvanam-register-demo
LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen build/src/selvanam-cli/selvanam-cli registro \
    --sito "Le Querce" --pdf "$work/scheda.pdf"
pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/scheda.pdf" docs/site-sheet
echo "docs/site-sheet.png"
