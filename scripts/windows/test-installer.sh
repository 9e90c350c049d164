#!/usr/bin/env bash
# Tries the Windows installer and the portable zip (scripts/windows/package.sh) under Wine, in a
# private copy of the Wine prefix with a private HOME, so that no real installation's records
# are touched: a silent install, the programs started from the installed folder, the Start
# menu entry and the "Programs and Features" entry, the site sheet printed by the command line,
# the portable copy keeping its networks list beside itself, then a silent uninstall that leaves
# no installed file behind and the user's data as it was. One PASS or FAIL row per check; the
# exit status is 1 when any check failed.
#
#   scripts/windows/test-installer.sh [--keep] [BUILD_DIR]    (default build-windows)
#       --keep   leaves the private prefix and the outputs (the folder is shown)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/env.sh"

keep=0
build_dir=$repo/build-windows
for arg in "$@"; do
    case "$arg" in
    --keep) keep=1 ;;
    -*)
        echo "uso: $0 [--keep] [CARTELLA_DI_BUILD]" >&2
        exit 2
        ;;
    *) build_dir=$(cd "$arg" && pwd) ;;
    esac
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt" 2>/dev/null) || true
setup=$build_dir/selvanam-$version-setup.exe
portable=$build_dir/selvanam-$version-windows-portable.zip
if [ -z "$version" ] || [ ! -f "$setup" ] || [ ! -f "$portable" ]; then
    echo "Mancano l'installatore o la copia portatile in $build_dir: lanciare scripts/windows/package.sh $build_dir" >&2
    exit 1
fi
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

work=$(mktemp -d "${TMPDIR:-/tmp}/selvanam-installer.XXXXXX")
export WINEPREFIX=$work/prefix
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    if ((keep)); then echo "Cartella di prova: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# The private prefix: a copy of the shared one when it exists (quicker than a new one), with
# its folders that point into the real HOME made plain folders; the programs' HOME and XDG
# folders are private too, and Wine makes no menu entries for the Linux desktop.
if [ -d "$SELVANA_WINDOWS_CACHE/wineprefix/drive_c" ]; then
    cp -a "$SELVANA_WINDOWS_CACHE/wineprefix" "$WINEPREFIX"
    rm -f "$WINEPREFIX/wineserver"
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l | while read -r link; do
        rm "$link" && mkdir "$link"
    done
fi
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME"
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
wine() { timeout 300 "$SELVANA_WINE" "$@"; }
wine wineboot --init >"$work/wineboot.log" 2>&1
"$wineserver" -w

user=$(wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
drive_c=$WINEPREFIX/drive_c
appdata=$drive_c/users/$user/AppData/Roaming/SelvanaM
install_dir="$drive_c/Program Files/Selvana M"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Programmatore Selvana M.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\SelvanaM'

passes=0
failures=0
row() { # row NAME CONDITION_STATUS [DETAIL]
    if [ "$2" = 0 ]; then
        printf 'PASS  %s\n' "$1"
        passes=$((passes + 1))
    else
        printf 'FAIL  %s%s\n' "$1" "${3:+: $3}"
        failures=$((failures + 1))
    fi
}
check() { # check NAME COMMAND...: a row for the command's status
    local name=$1 status=0
    shift
    "$@" >"$work/check.out" 2>&1 || status=$?
    row "$name" "$status" "$(head -c 300 "$work/check.out" | tr '\n' ' ')"
}
# await SECONDS COMMAND...: until the command succeeds, at most that long.
await() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}
listing() { # the files under a folder, relative, with their checksums
    (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum)
}

echo "== Wine: $SELVANA_WINE, prefisso privato $WINEPREFIX"

# What the executables say of themselves, before anything runs.
subsystem() { "$selvana_windows_triple-objdump" -p "$1" | sed -n 's/^Subsystem\s*//p'; }
unzip -q "$portable" -d "$work/zip"
zip_dir=$work/zip/selvanam-$version
check "selvanam.exe è un programma a finestre (nessuna console)" \
    grep -q "Windows GUI" <(subsystem "$zip_dir/selvanam.exe")
check "selvanam-cli.exe è un programma da console" \
    grep -q "Windows CUI" <(subsystem "$zip_dir/selvanam-cli.exe")
resources_of() { # the version strings and icon groups of an executable, as text
    "$selvana_windows_triple-windres" -i "$1" -O rc 2>/dev/null | tr -d '\0'
}
for program in selvanam selvanam-cli; do
    resources_of "$zip_dir/$program.exe" >"$work/$program.rc" || true
    check "$program.exe: versione $version, nome, editore, icona e manifesto nelle risorse" bash -c "
        grep -q 'VALUE \"FileVersion\", \"$version\"' '$work/$program.rc' &&
        grep -q 'VALUE \"OriginalFilename\", \"$program.exe\"' '$work/$program.rc' &&
        grep -q 'VALUE \"CompanyName\", \"Selvana\"' '$work/$program.rc' &&
        grep -q 'RT_GROUP_ICON' '$work/$program.rc' && grep -q 'RT_MANIFEST' '$work/$program.rc'"
done

# The user's data, there before the program is installed: it must outlive the uninstaller.
mkdir -p "$appdata/backup"
printf '[CONFIG]\r\nPORTA=5\r\nINSTALLATORE=Zoë\r\n' >"$appdata/SelvanaM.ini"
printf 'copia di sicurezza\r\n' >"$appdata/backup/A1B2C3_20261208-100000.con"
printf '\xef\xbb\xbfdata;numero di serie;esito\r\n' >"$appdata/programmazioni.csv"

echo "== installazione silenziosa: $(basename "$setup") /S"
status=0
wine "$setup" /S || status=$?
"$wineserver" -w
row "l'installatore silenzioso termina con successo" "$status"
expected=$(cd "$zip_dir" && { find . -type f; echo ./uninstall.exe; } | LC_ALL=C sort)
check "nella cartella d'installazione ci sono i file della copia portatile e il disinstallatore" \
    diff <(echo "$expected") <(cd "$install_dir" 2>/dev/null && find . -type f | LC_ALL=C sort)
check "voce \"Programmatore Selvana M\" nel menu Start" test -f "$shortcut"
wine reg query "$uninstall_key" /reg:64 >"$work/uninstall-key.txt" 2>&1 || true
tr -d '\r' <"$work/uninstall-key.txt" >"$work/key.txt"
check "voce in Programmi e funzionalità: versione, editore, icona, disinstallatore" bash -c "
    grep -Eq 'DisplayName\s+REG_SZ\s+Programmatore Selvana M$' '$work/key.txt' &&
    grep -Eq 'DisplayVersion\s+REG_SZ\s+$version$' '$work/key.txt' &&
    grep -Eq 'Publisher\s+REG_SZ\s+Selvana$' '$work/key.txt' &&
    grep -Fq 'Selvana M\\selvanam.exe,0' '$work/key.txt' &&
    grep -Fq 'Selvana M\\uninstall.exe\" /S' '$work/key.txt'"

if ! cd "$install_dir" 2>/dev/null; then
    echo "installer: $passes passed, $failures failed (nulla installato in $install_dir)"
    exit 1
fi
wine ./selvanam-cli.exe --version >"$work/cli-version.txt" 2>&1 || true
check "selvanam-cli.exe --version dalla cartella installata" grep -q "$version" "$work/cli-version.txt"
wine ./selvanam.exe --version >"$work/window-version.txt" 2>&1 || true
check "selvanam.exe --version dalla cartella installata" grep -q "selvanam $version" "$work/window-version.txt"
wine ./selvanam.exe --help >"$work/window-help.txt" 2>&1 || true
check "selvanam.exe --help dalla cartella installata" grep -q "^Uso: selvanam" "$work/window-help.txt"

# The window, offscreen, until it has made its networks list: per user, since it is installed.
rm -f "$appdata/Reti.cfg"
WINEQT_QPA_PLATFORM=offscreen SELVANA_SPLASH_MS=0 wine ./selvanam.exe >"$work/window.log" 2>&1 &
window=$!
status=0
await 60 test -f "$appdata/Reti.cfg" || status=$?
row "la finestra si avvia e crea l'elenco delle reti in %APPDATA%\\SelvanaM" "$status" \
    "$(tr '\n' ' ' <"$work/window.log")"
check "nessun elenco delle reti nella cartella installata" test ! -e "$install_dir/Reti.cfg"
"$wineserver" -k 2>/dev/null || true
wait "$window" 2>/dev/null || true

# The site sheet from the command line (offscreen, with the fonts of the program's folder):
# a unit whose texts need more than Latin-1.
wine ./selvanam-cli.exe registro >"$work/register.log" 2>&1 || true
status=1
if [ -f "$appdata/registro.sqlite" ] && command -v sqlite3 >/dev/null; then
    sqlite3 "$appdata/registro.sqlite" "INSERT INTO programmazioni (id, numero_di_serie,
        data_ora, installatore, sito, descrizione, protocollo, rete, codice, frequenza, esito,
        copia_di_sicurezza, configurazione) VALUES ('prova-1', 'A1B2C3',
        '2026-12-08T10:00:00.000Z', 'Zoë', 'Città di Łódź', 'Ελληνικά и кириллица', 1, 1, 1,
        433.92, 'scritta', '', zeroblob(64))" && status=0
fi
row "registro creato da selvanam-cli e una periferica aggiunta" "$status" "$(tr '\n' ' ' <"$work/register.log")"
wine ./selvanam-cli.exe registro --pdf 'C:\scheda.pdf' >"$work/pdf.log" 2>&1 || true
check "selvanam-cli registro --pdf crea la scheda" test -s "$drive_c/scheda.pdf"
if command -v pdffonts >/dev/null && [ -s "$drive_c/scheda.pdf" ]; then
    check "la scheda è in DejaVu Sans, caratteri inclusi" \
        bash -c "pdffonts '$drive_c/scheda.pdf' | grep -q 'DejaVuSans.*yes'"
    check "la scheda riporta i testi Unicode come scritti" bash -c "
        pdftotext '$drive_c/scheda.pdf' - | grep -q 'Città di Łódź' &&
        pdftotext '$drive_c/scheda.pdf' - | grep -q 'Ελληνικά и кириллица'"
fi
rm -f "$drive_c/scheda.pdf"
cd "$work"

# The portable copy, unpacked into a folder of the user's, keeps the networks list beside itself.
portable_dir=$drive_c/users/$user/SelvanaM-portatile
cp -a "$zip_dir" "$portable_dir"
WINEQT_QPA_PLATFORM=offscreen SELVANA_SPLASH_MS=0 wine "$portable_dir/selvanam.exe" >"$work/portable.log" 2>&1 &
window=$!
status=0
await 60 test -f "$portable_dir/Reti.cfg" || status=$?
row "la copia portatile crea l'elenco delle reti accanto a sé" "$status" "$(tr '\n' ' ' <"$work/portable.log")"
"$wineserver" -k 2>/dev/null || true
wait "$window" 2>/dev/null || true

echo "== disinstallazione silenziosa: uninstall.exe /S"
data_before=$(listing "$appdata")
echo "Cartella installata prima: $(find "$install_dir" -type f | wc -l) file; menu Start: $(test -f "$shortcut" && echo voce presente || echo nessuna voce)"
status=0
wine "$install_dir/uninstall.exe" /S || status=$?
# The uninstaller goes on from a copy of itself in %TEMP%: wait for every process of the prefix.
"$wineserver" -w
row "il disinstallatore silenzioso termina con successo" "$status"
left=$(find "$install_dir" 2>/dev/null || true)
echo "Cartella installata dopo: ${left:-(non esiste più)}"
check "nessun file installato rimasto (cartella rimossa)" test -z "$left"
check "nessuna voce nel menu Start" test ! -e "$shortcut"
status=0
wine reg query "$uninstall_key" /reg:64 >/dev/null 2>&1 || status=$?
row "nessuna voce in Programmi e funzionalità" "$((status == 0))"
check "i dati dell'utente in %APPDATA%\\SelvanaM sono intatti (registro, copie, registro delle programmazioni, impostazioni, reti)" \
    diff <(echo "$data_before") <(listing "$appdata")
echo "Dati dell'utente dopo: $(cd "$appdata" && find . -type f | LC_ALL=C sort | tr '\n' ' ')"

echo "installer: $passes passed, $failures failed"
((failures == 0))
