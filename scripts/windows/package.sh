#!/usr/bin/env bash
# Makes the Windows installer and the portable zip from a Windows build (scripts/windows/build.sh
# runs it at its end): the program folder is laid out by `cmake --install` (see
# cmake/WindowsPackaging.cmake) into BUILD_DIR/package/selvanam-VERSION, checked, then
#
#   BUILD_DIR/selvanam-VERSION-setup.exe              NSIS installer (packaging/windows/selvanam.nsi)
#   BUILD_DIR/selvanam-VERSION-windows-portable.zip   the same folder, to unpack anywhere
#
# The version is the project's, as the build's CMake cache has it. Installs nsis and zip when
# missing. scripts/windows/test-installer.sh tries the result under Wine.
#
#   scripts/windows/package.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$repo/scripts/lib/packages.sh"
source "$here/env.sh"

if [ $# -ne 1 ]; then
    echo "uso: $0 CARTELLA_DI_BUILD" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
cache=$build_dir/CMakeCache.txt
if [ ! -f "$cache" ]; then
    echo "$build_dir non è una cartella di build di CMake (manca CMakeCache.txt)" >&2
    exit 1
fi
names=$build_dir/packaging/windows/names.nsh # written by cmake/WindowsPackaging.cmake only
if [ ! -f "$names" ]; then
    echo "$build_dir non è una build per Windows (scripts/windows/build.sh)" >&2
    exit 1
fi
ensure_packages nsis zip

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
if [ -z "$version" ]; then
    echo "$cache non dice la versione del progetto (CMAKE_PROJECT_VERSION)" >&2
    exit 1
fi
name=selvanam-$version
work=$build_dir/package
staging=$work/$name
setup=$build_dir/$name-setup.exe
portable=$build_dir/$name-windows-portable.zip

echo "== cartella del programma: $staging"
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build_dir" --prefix "$staging" --strip >"$work/install.log" || {
    cat "$work/install.log" >&2
    exit 1
}

# Every DLL that a program, a DLL or a plugin of the folder imports must be in the folder or be
# Windows' own (Wine has a builtin of each, and api-ms-win-* are names Windows resolves itself),
# and every DLL beside the programs must be imported by one of them: the folder has what the
# programs load and nothing more. Plugins are loaded by Qt by folder, not imported.
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
declare -A shipped=() imported=()
while read -r path; do shipped[$(basename "${path,,}")]=1; done < <(cd "$staging" && find . -name '*.dll')
ok=1
while read -r path; do
    while read -r dll; do
        dll=${dll,,}
        imported[$dll]=1
        if [ -z "${shipped[$dll]:-}" ] && [[ $dll != api-ms-win-* ]]; then
            if [ -d "$wine_dlls" ] && [ ! -f "$wine_dlls/$dll" ]; then
                echo "${path#"$staging"/} importa $dll, che non è nella cartella né in Windows" >&2
                ok=0
            fi
        fi
    done < <("$selvana_windows_triple-objdump" -p "$path" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$staging" -name '*.exe' -o -name '*.dll')
for path in "$staging"/*.dll; do
    dll=$(basename "${path,,}")
    [ -n "${imported[$dll]:-}" ] || {
        echo "$(basename "$path") non serve a nessun programma né plugin: va tolta da cmake/WindowsPackaging.cmake" >&2
        ok=0
    }
done
((ok))

# The logo as the installer's icon: an .ico whose one image is the PNG itself, as the programs'
# own icon is (packaging/windows/program.rc.in).
logo=$repo/src/ui/icons/logo.png
icon=$work/selvanam.ico
le32() {
    local n=$1
    printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))"
    printf "\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"
}
size_byte() { printf "\\x$(printf %02x $(($1 % 256)))"; } # 256 pixels is written 0
read -r width height < <(od -An -tu1 -j16 -N8 "$logo" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
{
    printf '\x00\x00\x01\x00\x01\x00' # reserved, an icon, one image
    size_byte "$width"
    size_byte "$height"
    printf '\x00\x00\x01\x00\x20\x00' # no palette, reserved, one plane, 32 bits a pixel
    le32 "$(stat -c %s "$logo")"
    le32 22 # the image right after this header
    cat "$logo"
} >"$icon"

# The installer's File commands and the uninstaller's Delete and RMDir commands of the same
# files, so the uninstaller removes exactly what was installed.
files=$work/files.nsh
unfiles=$work/unfiles.nsh
: >"$files"
: >"$unfiles"
nsis_path() { printf '%s' "${1//\//\\}"; }
while read -r dir; do
    rel=${dir#.}
    rel=${rel#/}
    target='$INSTDIR'
    [ -z "$rel" ] || target+="\\$(nsis_path "$rel")"
    echo "SetOutPath \"$target\"" >>"$files"
    while read -r file; do
        case "$file" in *'"'* | *'$'* | *'`'*)
            echo "nome di file non accettato dall'installatore: $file" >&2
            exit 1
            ;;
        esac
        echo "File \"$staging/${rel:+$rel/}$file\"" >>"$files"
        echo "Delete \"$target\\$file\"" >>"$unfiles"
    done < <(cd "$staging/$rel" && find . -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort)
done < <(cd "$staging" && find . -type d | LC_ALL=C sort)
while read -r dir; do
    echo "RMDir \"\$INSTDIR\\$(nsis_path "${dir#./}")\"" >>"$unfiles"
done < <(cd "$staging" && find . -mindepth 1 -type d | LC_ALL=C sort -r)
size_kb=$(du -sk "$staging" | cut -f1)

echo "== installatore: $setup"
rm -f "$setup"
makensis -V2 -NOCD \
    -DSELVANA_NAMES="$names" \
    -DSELVANA_STAGING="$staging" \
    -DSELVANA_FILES="$files" \
    -DSELVANA_UNFILES="$unfiles" \
    -DSELVANA_SIZE_KB="$size_kb" \
    -DSELVANA_ICON="$icon" \
    -DSELVANA_OUTFILE="$setup" \
    "$repo/packaging/windows/selvanam.nsi"

echo "== copia portatile: $portable"
rm -f "$portable"
(cd "$work" && find "$name" -type f | LC_ALL=C sort | zip -q -X -9 "$portable" -@)

echo "Installatore:    $setup ($(du -h "$setup" | cut -f1))"
echo "Copia portatile: $portable ($(du -h "$portable" | cut -f1))"
