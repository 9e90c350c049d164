#!/usr/bin/env bash
# Builds the Debian package of the programmer (release build in build-release/, with Debian's
# hardening flags and manual pages made from the programs' help) and checks it: the desktop entry
# and the AppStream metadata, the package with lintian (an error or a warning fails it) and both
# programs with hardening-check. Installs what it needs when missing (root or sudo).
#
#   scripts/package.sh            -> build-release/selvanam_<version>_<arch>.deb
#   sudo apt-get install ./build-release/selvanam_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
source scripts/lib/release_build.sh

packages=(
    "${build_packages[@]}"
    "${release_packages[@]}"
    desktop-file-utils # desktop-file-validate
    appstream          # appstreamcli validate
    help2man           # the manual pages
    lintian
    devscripts # hardening-check
)
ensure_packages "${packages[@]}"

desktop-file-validate packaging/it.selvana.selvanam.desktop
appstreamcli validate --no-net packaging/it.selvana.selvanam.metainfo.xml

configure_release_build -DSELVANA_BUILD_TESTS=OFF -DSELVANA_MAN_PAGES=ON
cmake --build "$release_build_dir" --parallel "$(nproc)"
(cd "$release_build_dir" && cpack -G DEB)

deb=$(ls -t "$release_build_dir"/selvanam_*.deb | head -n 1)
echo
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb" | awk '{print $6}'

echo
echo "== lintian (informazioni e note pedanti non bloccano; errori e avvertimenti sì)"
lintian --display-info --pedantic --fail-on error,warning "$deb"
echo "lintian: nessun errore né avvertimento"

echo
echo "== hardening-check dei programmi del pacchetto"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# Debian 12's C library start files carry no control-flow (CET) marking, so no program linked
# on it can have one: that line is shown but not required.
hardening-check --nocfprotection "$unpacked/usr/bin/selvanam" "$unpacked/usr/bin/selvanam-cli"

echo
echo "Pacchetto: $deb"
echo "Installazione: sudo apt-get install ./$deb"
