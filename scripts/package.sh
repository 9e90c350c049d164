#!/usr/bin/env bash
# Builds the Debian package of the programmer (release build in build-release/) and checks its
# desktop entry and AppStream metadata. Installs what it needs when missing (root or sudo).
#
#   scripts/package.sh            -> build-release/selvanam_<version>_<arch>.deb
#   sudo apt-get install ./build-release/selvanam_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

build_dir=build-release
packages=(
    "${build_packages[@]}"
    dpkg-dev           # dpkg-shlibdeps: the package's dependencies
    desktop-file-utils # desktop-file-validate
    appstream          # appstreamcli validate
)
ensure_packages "${packages[@]}"

desktop-file-validate packaging/it.selvana.selvanam.desktop
appstreamcli validate --no-net packaging/it.selvana.selvanam.metainfo.xml

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSELVANA_BUILD_TESTS=OFF
cmake --build "$build_dir" --parallel "$(nproc)"
(cd "$build_dir" && cpack -G DEB)

deb=$(ls -t "$build_dir"/selvanam_*.deb | head -n 1)
echo
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb" | awk '{print $6}'
echo
echo "Pacchetto: $deb"
echo "Installazione: sudo apt-get install ./$deb"
