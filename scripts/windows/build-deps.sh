#!/usr/bin/env bash
# Cross-builds, once, what the Windows build of the programmer links and ships, from Debian 12's
# own sources with Debian's MinGW-w64 compilers: OpenSSL, PostgreSQL's libpq, Qt 6 (Core, Gui,
# Widgets, Sql with the SQLite and PostgreSQL drivers, Test; the windows and offscreen platform
# plugins) and Qt Serial Port. Everything goes into a cache folder outside the repository, named
# after the versions (see env.sh), and a completed cache is reused as it is. Ends with
# smoke-test.sh: a small widget program built against the cache has to run under Wine. Installs
# what it needs when missing (root or sudo) and adds a deb-src entry for Debian's archive.
#
#   scripts/windows/build-deps.sh               builds the cache, or says it is there
#   scripts/windows/build-deps.sh --keep-build  keeps the sources and build trees (scratch/)
#   scripts/windows/build-deps.sh --force       removes this key's cache and builds it anew
#
#   QTSERIALPORT_SOURCE=FILE_OR_FOLDER           Qt Serial Port 6.4.2's source: Debian lists it
#                                                but does not serve it here; by default
#                                                ../shared/third_party/ beside the repository
#   SELVANA_WINDOWS_CACHE=FOLDER                 the cache root (~/.cache/selvanam-windows)
#
# A piece that failed is built again from where it stopped on the next run: each finished piece
# leaves a mark in scratch/, and the cache counts as done only once its stamp file is written,
# at the very end.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$repo/scripts/lib/packages.sh"

keep_build=0
force=0
for arg in "$@"; do
    case "$arg" in
    --keep-build) keep_build=1 ;;
    --force) force=1 ;;
    *)
        echo "uso: $0 [--keep-build] [--force]" >&2
        exit 2
        ;;
    esac
done

packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    cmake ninja-build make perl
    qt6-base-dev qt6-base-dev-tools # the host's moc, rcc, uic and their CMake packages
    dpkg-dev xz-utils bzip2         # apt-get source, dpkg-source
    tcl                             # SQLite's amalgamation is generated with tclsh
    wine64 wine                     # the smoke test
)
ensure_packages "${packages[@]}"
source "$here/env.sh"

deps=$SELVANA_WINDOWS_DEPS
prefix=$SELVANA_WINDOWS_PREFIX
triple=$selvana_windows_triple
jobs=$(nproc)

if ((force)); then
    rm -rf "$deps"
elif ((SELVANA_WINDOWS_READY)); then
    echo "Dipendenze Windows già pronte: $deps"
    exit 0
fi

scratch=$deps/scratch
mkdir -p "$scratch/done" "$prefix"
times_file=$deps/build-times.txt

# piece NAME FUNCTION: runs FUNCTION once (a mark in scratch/done says it finished) and tells
# how long it took.
piece() {
    local name=$1 fn=$2 start elapsed
    if [ -f "$scratch/done/$name" ]; then
        echo "== $name: già fatto"
        return 0
    fi
    echo "== $name"
    start=$(date +%s)
    "$fn"
    elapsed=$(($(date +%s) - start))
    touch "$scratch/done/$name"
    printf '%-12s %4d min %02d s\n' "$name" $((elapsed / 60)) $((elapsed % 60)) | tee -a "$times_file"
}

# Debian's deb822 entry has only binary packages: the same archive as a source entry.
ensure_deb_src() {
    if apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package:'; then return 0; fi
    local list=/etc/apt/sources.list.d/selvana-deb-src.sources
    local sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Aggiungo i sorgenti Debian (deb-src): $list"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo_cmd[@]}" tee "$list" >/dev/null
    else
        printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
            'Suites: bookworm bookworm-updates' 'Components: main' \
            'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
            "${sudo_cmd[@]}" tee "$list" >/dev/null
    fi
    "${sudo_cmd[@]}" apt-get update -q
}

# debian_source PACKAGE VERSION DIR: Debian's source with Debian's patches applied, in DIR.
debian_source() {
    local pkg=$1 version=$2 dir=$3 downloads=$scratch/downloads
    [ -d "$dir" ] && rm -rf "$dir"
    mkdir -p "$downloads"
    if ! (cd "$downloads" && apt-get source -q --download-only "$pkg=$version"); then
        echo "Il sorgente Debian $pkg $version non si scarica. Versioni offerte:" >&2
        apt-cache madison "$pkg" | grep Sources >&2 || true
        echo "Aggiornare la versione in scripts/windows/env.sh (una servita da bookworm main)." >&2
        return 1
    fi
    dpkg-source -x "$downloads/${pkg}_${version#*:}.dsc" "$dir" >/dev/null
}

# Qt Serial Port: a tarball or an unpacked folder.
serialport_source() {
    local default="$repo/../shared/third_party/qtserialport-everywhere-src-$selvana_windows_serialport_version.tar.xz"
    local src=${QTSERIALPORT_SOURCE:-$default}
    if [ ! -e "$src" ]; then
        cat >&2 <<EOF
Manca il sorgente di Qt Serial Port $selvana_windows_serialport_version ($src).
Debian ne elenca il pacchetto sorgente qt6-serialport ma qui non lo fornisce: serve il rilascio
originale, qtserialport-everywhere-src-$selvana_windows_serialport_version.tar.xz, dagli archivi
dei rilasci del Qt Project (cartella official_releases/qt/6.4/$selvana_windows_serialport_version/submodules/)
o dal tag v$selvana_windows_serialport_version del loro repository qtserialport.
Metterlo in ../shared/third_party/ accanto al repository, oppure indicarlo con
QTSERIALPORT_SOURCE=FILE.tar.xz (o una cartella già estratta).
EOF
        return 1
    fi
    echo "$src"
}

build_openssl() {
    local src=$scratch/openssl
    debian_source openssl "$selvana_windows_openssl_deb" "$src"
    cd "$src"
    # Only the two libraries: no command-line tool, no tests, no loadable providers.
    ./Configure mingw64 --cross-compile-prefix="$triple-" CC=gcc-posix CXX=g++-posix \
        --prefix="$prefix" --libdir=lib shared no-tests no-module >/dev/null
    # The folders compiled into libcrypto are looked up on the user's machine: those of
    # OpenSSL's own Windows builds, which only an administrator can write to, not this prefix.
    local windows_dirs=(
        OPENSSLDIR="C:/Program Files/Common Files/SSL"
        ENGINESDIR="C:/Program Files/OpenSSL/lib/engines-3"
        MODULESDIR="C:/Program Files/OpenSSL/lib/ossl-modules"
    )
    make -j"$jobs" "${windows_dirs[@]}" build_libs >"$scratch/openssl.log" 2>&1 || {
        tail -n 40 "$scratch/openssl.log"
        return 1
    }
    make install_dev >>"$scratch/openssl.log" 2>&1
}

build_libpq() {
    local src=$scratch/postgresql
    debian_source postgresql-15 "$selvana_windows_pg_deb" "$src"
    cd "$src"
    ./configure --host="$triple" CC="$triple-gcc-posix" --prefix="$prefix" \
        --without-readline --without-icu --without-zlib --with-ssl=openssl \
        CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" >"$scratch/postgresql.log" 2>&1 || {
        tail -n 40 "$scratch/postgresql.log"
        return 1
    }
    # Only the client library and the headers (the server's too: Qt's driver looks for pg_type.h).
    {
        make -C src/interfaces/libpq -j"$jobs" &&
            make -C src/interfaces/libpq install &&
            make -C src/include install
    } >>"$scratch/postgresql.log" 2>&1 || {
        tail -n 40 "$scratch/postgresql.log"
        return 1
    }
}

# Debian's Qt source has no bundled SQLite; Debian's SQLite source has no amalgamation, so it
# is generated here and put where Qt's driver expects its bundled copy: qsqlite.dll then
# carries SQLite itself, with Qt's compile options, and no sqlite DLL is shipped.
build_sqlite() {
    local src=$scratch/sqlite
    debian_source sqlite3 "$selvana_windows_sqlite_deb" "$src"
    mkdir -p "$scratch/sqlite-build"
    cd "$scratch/sqlite-build"
    {
        "$src/configure" --disable-tcl &&
            make sqlite3.c
    } >"$scratch/sqlite.log" 2>&1 || {
        tail -n 40 "$scratch/sqlite.log"
        return 1
    }
    mkdir -p "$scratch/sqlite-amalgamation"
    cp sqlite3.c sqlite3.h "$src/src/sqlite3ext.h" "$scratch/sqlite-amalgamation/"
}

build_qtbase() {
    local src=$scratch/qtbase build=$scratch/qtbase-build
    if [ ! -f "$build/build.ninja" ]; then
        debian_source qt6-base "$selvana_windows_qt_deb" "$src"
        mkdir -p "$src/src/3rdparty/sqlite"
        cp "$scratch/sqlite-amalgamation/"* "$src/src/3rdparty/sqlite/"
        # Debian's PostgreSQL puts the server's headers under its major version.
        local pg_type pg_server_include
        pg_type=$(find "$prefix/include" -path '*/server/catalog/pg_type.h' | head -n 1)
        pg_server_include=${pg_type%/catalog/pg_type.h}
        local features=(
            # Only the modules the programmer uses: Core, Gui, Widgets, Sql, Test.
            -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
            -DFEATURE_printsupport=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
            -DFEATURE_androiddeployqt=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
            -DFEATURE_pkg_config=OFF
            # Debian removed the tablet (wintab) header from the source.
            -DFEATURE_tabletevent=OFF
            # The site sheet is written with QPdfWriter.
            -DFEATURE_pdf=ON
            # Qt's own copies of the image, font and text libraries: one DLL fewer each.
            -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF
            -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
            -DFEATURE_system_doubleconversion=OFF -DFEATURE_freetype=ON
            # The two registers: SQLite (amalgamation above) and PostgreSQL (libpq above).
            -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF -DFEATURE_sql_psql=ON
            -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF
            -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
            -DPostgreSQL_ROOT="$prefix" -DPostgreSQL_INCLUDE_DIR="$prefix/include"
            -DPostgreSQL_TYPE_INCLUDE_DIR="$pg_server_include"
        )
        cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$deps/toolchain-mingw64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
            "${features[@]}" >"$scratch/qtbase-configure.log" 2>&1 || {
            tail -n 60 "$scratch/qtbase-configure.log"
            rm -f "$build/build.ninja"
            return 1
        }
        # The features that matter, as Qt's summary shows them.
        sed -n '/^Qt Sql Drivers:/,/Using system provided SQLite/p' "$scratch/qtbase-configure.log"
    fi
    cmake --build "$build" --parallel "$jobs" >"$scratch/qtbase-build.log" 2>&1 || {
        grep -E -B2 -A12 'FAILED|error:' "$scratch/qtbase-build.log" | head -n 80
        return 1
    }
    cmake --install "$build" --strip >"$scratch/qtbase-install.log"
}

build_serialport() {
    local src build=$scratch/qtserialport-build from
    from=$(serialport_source)
    if [ -d "$from" ]; then
        src=$from
    else
        src=$scratch/qtserialport
        rm -rf "$src"
        mkdir -p "$src"
        tar -xf "$from" -C "$src" --strip-components=1
    fi
    rm -rf "$build"
    {
        "$prefix/bin/qt-cmake" -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF &&
            cmake --build "$build" --parallel "$jobs" &&
            cmake --install "$build" --strip
    } >"$scratch/qtserialport.log" 2>&1 || {
        tail -n 40 "$scratch/qtserialport.log"
        return 1
    }
}

# The compiler's own DLLs (C++ library, unwinder, threads) beside Qt's, and the list of what
# a deployment ships, relative to the prefix: bin/*.dll beside the program, plugins/TYPE/*.dll
# into TYPE/ beside it.
finish_prefix() {
    local dll path
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        path=$("$triple-g++-posix" -print-file-name="$dll")
        [ -f "$path" ] || path=/usr/$triple/lib/$dll
        install -m 644 "$path" "$prefix/bin/"
    done
    # Qt is installed stripped; the autotools builds are not.
    "$triple-strip" --strip-unneeded "$prefix/bin/libpq.dll" "$prefix/bin/libssl-3-x64.dll" \
        "$prefix/bin/libcrypto-3-x64.dll"
    (
        cd "$prefix"
        printf '%s\n' bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Sql.dll \
            bin/Qt6SerialPort.dll bin/libpq.dll bin/libssl-3-x64.dll bin/libcrypto-3-x64.dll \
            bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll \
            plugins/platforms/qwindows.dll plugins/sqldrivers/qsqlite.dll \
            plugins/sqldrivers/qsqlpsql.dll
        ls plugins/styles/*.dll plugins/imageformats/*.dll 2>/dev/null
    ) >"$deps/deploy-dlls.txt"
    # Only for the tests: QtTest and the platform plugin that draws without a screen.
    printf '%s\n' bin/Qt6Test.dll plugins/platforms/qoffscreen.dll >"$deps/test-dlls.txt"
    local missing=0
    while read -r path; do
        [ -f "$prefix/$path" ] || {
            echo "manca $prefix/$path" >&2
            missing=1
        }
    done < <(cat "$deps/deploy-dlls.txt" "$deps/test-dlls.txt")
    ((!missing))
}

smoke_test() {
    "$here/smoke-test.sh" --unfinished
}

ensure_deb_src
# The cache's own copy: the cross Qt's toolchain file refers to it, so it must not move.
install -m 644 "$here/toolchain-mingw64.cmake" "$deps/toolchain-mingw64.cmake"
serialport_source >/dev/null # before the long part, not after it

total_start=$(date +%s)
piece openssl build_openssl
piece libpq build_libpq
piece sqlite build_sqlite
piece qtbase build_qtbase
piece qtserialport build_serialport
finish_prefix
piece smoke-test smoke_test

{
    echo "key: $SELVANA_WINDOWS_KEY"
    echo "qt6-base $selvana_windows_qt_deb, postgresql-15 $selvana_windows_pg_deb (libpq),"
    echo "sqlite3 $selvana_windows_sqlite_deb, openssl $selvana_windows_openssl_deb,"
    echo "qtserialport $selvana_windows_serialport_version,"
    echo "gcc-mingw-w64-x86-64-posix $(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix),"
    echo "mingw-w64-x86-64-dev $(dpkg-query -W -f='${Version}' mingw-w64-x86-64-dev)"
} >"$deps/versions.txt"
((keep_build)) || rm -rf "$scratch"
date -u +%Y-%m-%dT%H:%M:%SZ >"$selvana_windows_stamp"
total=$(($(date +%s) - total_start))
echo
echo "Dipendenze Windows pronte in $deps ($((total / 60)) min $((total % 60)) s in questa esecuzione)"
echo "Prefisso: $prefix ($(du -sh "$prefix" | cut -f1))"
