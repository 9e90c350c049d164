# Sourced by the project's scripts: ensure_packages installs the Debian packages named that are
# not installed yet (as root, or with sudo), and does nothing when all are there.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "Installo i pacchetti mancanti: ${missing[*]}"
    local sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# What every build of the project needs.
build_packages=(
    cmake ninja-build g++ pkg-config         # toolchain
    qt6-base-dev qt6-serialport-dev libgl-dev # Qt 6 Core, Gui, Widgets, Test, SerialPort
    libfontconfig-dev                        # fonts prepared early at start-up
    fonts-dejavu-core                        # a font for windows drawn offscreen
    libqt6sql6-sqlite libqt6sql6-psql        # the register of programmed units: file, server
    libpq-dev                                # why a connection to the server failed
)

# What the test command needs beyond the build: a throwaway server for the shared register.
test_packages=(postgresql)

# What .ci/run checks besides the tests: the format of every C++ file.
check_packages=(clang-format)
