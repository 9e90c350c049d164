# Sourced by the Windows scripts: which Debian sources the cross-built dependencies come from,
# and where their cache is. Sets, without building anything:
#
#   SELVANA_WINDOWS_CACHE      the cache root, outside the repository (default ~/.cache/selvanam-windows)
#   SELVANA_WINDOWS_KEY        the versions in the cache folder's name
#   SELVANA_WINDOWS_DEPS       the cache folder of these versions
#   SELVANA_WINDOWS_PREFIX     the install prefix of Qt, libpq, OpenSSL and the compiler's DLLs
#                              (bin/ holds every DLL a deployment takes, plugins/ Qt's plugins)
#   SELVANA_WINDOWS_QT_CMAKE   the cross Qt's qt-cmake
#   SELVANA_WINDOWS_TOOLCHAIN  the CMake toolchain file (also for the project's own cross build)
#   SELVANA_WINDOWS_READY      1 when the cache was completed (its stamp file exists), else 0
#   SELVANA_WINE, WINEPREFIX   the 64-bit Wine loader and a Wine prefix kept beside the caches
#
# The versions are pinned to Debian 12's own source packages, so that a cache once built stays
# valid; Qt must be the version of Debian's host tools (qt6-base-dev-tools), whose moc, rcc and
# uic the cross build runs. Raising a pin gives a new key, hence a new cache folder.

selvana_windows_qt_deb=6.4.2+dfsg-10         # qt6-base
selvana_windows_pg_deb=15.18-0+deb12u1       # postgresql-15: only libpq is built
selvana_windows_sqlite_deb=3.40.1-2+deb12u2  # sqlite3: its amalgamation goes into qsqlite.dll
selvana_windows_openssl_deb=3.0.20-1~deb12u2 # openssl: TLS for libpq
selvana_windows_serialport_version=6.4.2     # Qt Serial Port, from a tarball (not served)
# Raised when build-deps.sh builds differently with the same sources.
selvana_windows_recipe=1

selvana_windows_triple=x86_64-w64-mingw32

# 1:6.4.2+dfsg-10 -> 6.4.2, 3.0.20-1~deb12u2 -> 3.0.20
selvana_upstream_version() {
    local v=${1#*:}
    v=${v%-*}
    echo "${v%%[+~]*}"
}

selvana_windows_gcc_version() {
    local v
    v=$(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix 2>/dev/null) || v=
    if [ -n "$v" ]; then selvana_upstream_version "$v"; else echo none; fi
}

export SELVANA_WINDOWS_CACHE=${SELVANA_WINDOWS_CACHE:-$HOME/.cache/selvanam-windows}
SELVANA_WINDOWS_KEY="qt-$(selvana_upstream_version "$selvana_windows_qt_deb")"
SELVANA_WINDOWS_KEY+="_pg-$(selvana_upstream_version "$selvana_windows_pg_deb")"
SELVANA_WINDOWS_KEY+="_sqlite-$(selvana_upstream_version "$selvana_windows_sqlite_deb")"
SELVANA_WINDOWS_KEY+="_openssl-$(selvana_upstream_version "$selvana_windows_openssl_deb")"
SELVANA_WINDOWS_KEY+="_mingw-$(selvana_windows_gcc_version)_r$selvana_windows_recipe"
export SELVANA_WINDOWS_KEY
export SELVANA_WINDOWS_DEPS=$SELVANA_WINDOWS_CACHE/$SELVANA_WINDOWS_KEY
export SELVANA_WINDOWS_PREFIX=$SELVANA_WINDOWS_DEPS/prefix
export SELVANA_WINDOWS_QT_CMAKE=$SELVANA_WINDOWS_PREFIX/bin/qt-cmake
SELVANA_WINDOWS_TOOLCHAIN=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/toolchain-mingw64.cmake
export SELVANA_WINDOWS_TOOLCHAIN
selvana_windows_stamp=$SELVANA_WINDOWS_DEPS/complete.stamp
if [ -f "$selvana_windows_stamp" ]; then
    export SELVANA_WINDOWS_READY=1
else
    export SELVANA_WINDOWS_READY=0
fi

# Debian's wine64 package installs the loader outside PATH.
if [ -x /usr/lib/wine/wine64 ]; then
    SELVANA_WINE=/usr/lib/wine/wine64
else
    SELVANA_WINE=$(command -v wine64 || command -v wine || echo wine64)
fi
export SELVANA_WINE
export WINEPREFIX=${WINEPREFIX:-$SELVANA_WINDOWS_CACHE/wineprefix}
export WINEARCH=win64
# No Mono or Gecko installer dialogs (nothing could be downloaded), no debug chatter.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEDEBUG=${WINEDEBUG:--all}
