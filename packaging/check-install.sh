#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12: a minimal bookworm made by debootstrap in a
# folder, the package installed there with apt-get, the installed program started by an ordinary
# user and by root, each of whom must find the networks list in their own data folder while
# nothing appears in /usr/bin; then the package removed, leaving none of its files behind.
# Needs root (debootstrap, chroot, mount).
#
#   packaging/check-install.sh [DEB] [CHROOT]
#       DEB     default: the newest build-release/selvanam_*.deb (scripts/package.sh makes it)
#       CHROOT  default: build-release/check-root beside the package, made anew each time from
#               CHROOT.base (debootstrap, once)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-$(ls -t build-release/selvanam_*.deb 2>/dev/null | head -n 1)}
[ -f "$deb" ] || { echo "nessun pacchetto: eseguire prima scripts/package.sh" >&2; exit 2; }
root=${2:-$(cd "$(dirname "$deb")" && pwd)/check-root}
[ "$(id -u)" -eq 0 ] || { echo "serve root (debootstrap, chroot)" >&2; exit 2; }

source scripts/lib/packages.sh
ensure_packages debootstrap desktop-file-utils

# A pristine system is kept beside the one used, so every check starts from a fresh Debian.
base=$root.base
if [ ! -x "$base/usr/bin/apt-get" ]; then
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian
fi
umount "$root/proc" 2>/dev/null || true
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

echo "== installazione di $(basename "$deb") su Debian $(cat "$root/etc/debian_version")"
cp "$deb" "$root/tmp/selvanam.deb"
in_root apt-get update -q
# Without the recommended packages: what the package declares must be enough.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    ./tmp/selvanam.deb
in_root dpkg -s selvanam | grep -E '^(Status|Version|Depends):'

echo "== voce di menu e metadati installati"
desktop-file-validate "$root/usr/share/applications/it.selvana.selvanam.desktop"
grep '^Name=' "$root/usr/share/applications/it.selvana.selvanam.desktop"
ls -l "$root/usr/share/icons/hicolor/128x128/apps/it.selvana.selvanam.png" \
    "$root/usr/share/metainfo/it.selvana.selvanam.metainfo.xml"

echo "== programmi a riga di comando, pagine di manuale, licenza"
in_root selvanam-cli --version
in_root selvanam --version
ls -l "$root/usr/share/man/man1/selvanam.1.gz" "$root/usr/share/man/man1/selvanam-cli.1.gz" \
    "$root/usr/share/doc/selvanam/copyright" "$root/usr/share/doc/selvanam/changelog.gz"
if command -v hardening-check >/dev/null; then
    hardening-check --nocfprotection "$root/usr/bin/selvanam" "$root/usr/bin/selvanam-cli"
fi

# Starts the installed program as USER (with a login shell, as from a desktop), waits until its
# networks list exists, which happens once the splash has closed and the main window is built,
# and ends it. Fails unless it was still running and /usr/bin is as before.
run_installed_as() {
    local user=$1 home=$2
    local list=$root$home/.local/share/SelvanaM/Reti.cfg
    rm -rf "$root$home/.local/share/SelvanaM" "$root$home/.config/SelvanaM"
    local before
    before=$(ls -A "$root/usr/bin")
    in_root su --login "$user" -s /bin/sh -c \
        'QT_QPA_PLATFORM=offscreen selvanam >selvanam.log 2>&1 & echo $! >selvanam.pid'
    for _ in $(seq 100); do
        [ -s "$list" ] && break
        sleep 0.2
    done
    local pid running=no
    pid=$(cat "$root$home/selvanam.pid")
    kill -0 "$pid" 2>/dev/null && running=yes
    kill "$pid" 2>/dev/null || true
    cat "$root$home/selvanam.log"
    [ "$running" = yes ] || { echo "il programma non è rimasto in esecuzione" >&2; exit 1; }
    [ -s "$list" ] || { echo "manca $list" >&2; exit 1; }
    [ "$(ls -A "$root/usr/bin")" = "$before" ] ||
        { echo "il programma ha scritto in /usr/bin:" >&2; ls -A "$root/usr/bin" | grep -vxF "$before" >&2; exit 1; }
    local lines
    lines=$(wc -l <"$list")
    echo "Reti.cfg di $user: $home/.local/share/SelvanaM/Reti.cfg, $lines righe; prima riga: $(head -n 1 "$list" | tr -d '\r')"
    [ "$lines" -eq 100 ] || { echo "attese 100 righe" >&2; exit 1; }
}

echo "== avvio del programma installato da un utente normale"
in_root id installer >/dev/null 2>&1 || in_root useradd --create-home installer
run_installed_as installer /home/installer

echo "== avvio del programma installato da root"
run_installed_as root /root

echo "== rimozione del pacchetto"
files=$(in_root dpkg-query -L selvanam | while read -r f; do if [ -f "$root$f" ]; then echo "$f"; fi; done)
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q selvanam
left=$(for f in $files /usr/bin/Reti.cfg /usr/share/doc/selvanam; do if [ -e "$root$f" ]; then echo "$f"; fi; done)
[ -z "$left" ] || { echo "rimasti dopo la rimozione: $left" >&2; exit 1; }
echo "rimossi tutti i $(wc -w <<<"$files") file del pacchetto; nessun Reti.cfg in /usr/bin"
echo "OK: il pacchetto si installa su Debian 12 pulita, il programma parte per un utente e per root senza scrivere in /usr/bin, e si rimuove senza residui"
