# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the POSIX threads variant,
# which has std::thread and std::mutex). Used for the dependencies by build-deps.sh and for the
# program itself:
#
#   source scripts/windows/env.sh
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SELVANA_WINDOWS_TOOLCHAIN" \
#         -DCMAKE_PREFIX_PATH="$SELVANA_WINDOWS_PREFIX" \
#         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
#
# Libraries, headers and CMake packages are looked for only in MinGW's own tree and in the
# dependency prefix (SELVANA_WINDOWS_PREFIX, from the environment or the command line), never in
# the host's /usr: a Linux library found there would only fail at link time. Programs (moc, rcc,
# uic, perl) are the host's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_selvana_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_selvana_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_selvana_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_selvana_triple}-windres)
set(CMAKE_AR ${_selvana_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_selvana_triple}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${_selvana_triple}-strip CACHE FILEPATH "")

# try_compile() reads this file again in a project of its own: pass the prefix on to it.
if(NOT SELVANA_WINDOWS_PREFIX AND DEFINED ENV{SELVANA_WINDOWS_PREFIX})
    set(SELVANA_WINDOWS_PREFIX "$ENV{SELVANA_WINDOWS_PREFIX}")
endif()
# The copy of this file in a dependency cache, which the cross Qt's own toolchain file loads,
# finds the cache's prefix beside itself: the cache then works wherever the repository is.
if(NOT SELVANA_WINDOWS_PREFIX AND EXISTS "${CMAKE_CURRENT_LIST_DIR}/prefix/bin")
    set(SELVANA_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/prefix")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SELVANA_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_selvana_triple})
if(SELVANA_WINDOWS_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH "${SELVANA_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
