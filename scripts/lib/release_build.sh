# Sourced by scripts/package.sh and bench/run.sh: build-release/ is configured as the Debian
# package is built, with Debian's hardening flags, so the benchmark measures what is shipped.
release_build_dir=build-release
release_packages=(dpkg-dev) # dpkg-buildflags, dpkg-shlibdeps

# configure_release_build [CMAKE_ARGS...]: every time, so that a folder configured otherwise
# before gets the package's flags; with the same flags nothing is rebuilt.
configure_release_build() {
    local cppflags cxxflags ldflags features
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cppflags=$(dpkg-buildflags --get CPPFLAGS)
    cxxflags=$(dpkg-buildflags --get CXXFLAGS)
    ldflags=$(dpkg-buildflags --get LDFLAGS)
    features=$(dpkg-buildflags --query-features hardening)
    # Stack clash protection, which later dpkg-buildflags add by themselves.
    grep -q '^Feature: stackclash' <<<"$features" || cxxflags+=" -fstack-clash-protection"
    # Control-flow protection (branch targets marked for the processor's checks), likewise.
    if ! grep -q '^Feature: branch' <<<"$features" && [[ "$(uname -m)" =~ ^(x86_64|i.86)$ ]]; then
        cxxflags+=" -fcf-protection"
    fi
    # The stronger fortify level, which also checks the sizes of buffers known only at run time
    # (GCC 12 and glibc 2.34 or later).
    if [ "$(c++ -dumpversion | cut -d. -f1)" -ge 12 ]; then
        cppflags=${cppflags/-D_FORTIFY_SOURCE=2/-D_FORTIFY_SOURCE=3}
    fi
    # CMake reads no CPPFLAGS: the preprocessor's flags (fortify) go with the compiler's.
    cmake -S . -B "$release_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@"
}
