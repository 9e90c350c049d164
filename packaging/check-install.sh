#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12: a minimal bookworm made by debootstrap in a
# folder (outside the repository), the package installed there with apt-get, the installed
# program started by an ordinary user, who must find its networks list in their own data folder.
# Needs root (debootstrap, chroot, mount).
#
#   packaging/check-install.sh [DEB] [CHROOT]
#       DEB     default: the newest build-release/selvanam_*.deb (scripts/package.sh makes it)
#       CHROOT  default: /work/chroot-bookworm, made anew from CHROOT.base (debootstrap, once)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-$(ls -t build-release/selvanam_*.deb 2>/dev/null | head -n 1)}
root=${2:-/work/chroot-bookworm}
[ -f "$deb" ] || { echo "nessun pacchetto: eseguire prima scripts/package.sh" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "serve root (debootstrap, chroot)" >&2; exit 2; }

for p in debootstrap desktop-file-utils; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$p"; }
done

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

echo "== programma a riga di comando"
in_root selvanam-cli --version

echo "== avvio del programma installato da un utente normale"
in_root id installer >/dev/null 2>&1 || in_root useradd --create-home installer
home=$root/home/installer
rm -rf "$home/.local/share/SelvanaM" "$home/.config/SelvanaM"
in_root su --login installer -s /bin/sh -c \
    'QT_QPA_PLATFORM=offscreen selvanam >selvanam.log 2>&1 & echo $! >selvanam.pid'
list=$home/.local/share/SelvanaM/Reti.cfg
for _ in $(seq 100); do
    [ -s "$list" ] && break
    sleep 0.2
done
pid=$(cat "$home/selvanam.pid")
running=no
kill -0 "$pid" 2>/dev/null && running=yes
kill "$pid" 2>/dev/null || true
cat "$home/selvanam.log"
[ "$running" = yes ] || { echo "il programma non è rimasto in esecuzione" >&2; exit 1; }
[ -s "$list" ] || { echo "manca $list" >&2; exit 1; }
[ ! -e "$root/usr/bin/Reti.cfg" ] || { echo "Reti.cfg scritto in /usr/bin" >&2; exit 1; }
lines=$(wc -l <"$list")
echo "Reti.cfg dell'utente: /home/installer/.local/share/SelvanaM/Reti.cfg, $lines righe; prima riga: $(head -n 1 "$list" | tr -d '\r')"
[ "$lines" -eq 100 ] || { echo "attese 100 righe" >&2; exit 1; }
echo "OK: il pacchetto si installa su Debian 12 pulita e il programma parte"
