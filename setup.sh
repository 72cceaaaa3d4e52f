#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds, then starts Quillon or runs every test.
#   ./setup.sh start   build and start the desktop app
#   ./setup.sh test    build and run the whole test suite
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build ccache git tmux nlohmann-json3-dev libgtest-dev libgmock-dev
          libbenchmark-dev libre2-dev pkg-config qt6-base-dev libqt6svg6 libicu-dev breeze-icon-theme
          xvfb xauth dbus dbus-x11 dunst xterm trayer imagemagick libnotify-bin openssh-client)
# The package check: the validators a Debian package and a desktop application are held to;
# the remote-host tests start a private sshd of their own on 127.0.0.1; clang and its
# sanitizer runtimes build the checked builds and the fuzz targets (CMakePresets.json); the
# soak script (bench/app_soak.sh) presses a key on its private display through XTEST.
test_packages=(dpkg-dev file groff-base desktop-file-utils appstream lintian openssh-server
               clang libclang-rt-dev libxtst6)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The MCP SDK client tests (tests/mcp/sdk_client for the v1 line, sdk_client_v2 for v2) need node
# and npm (before configuring, so CMake finds node), then their packages from the committed lock
# files in the build tree's copies.
install_node() {
    local wanted=()
    command -v node >/dev/null || wanted+=(nodejs)
    command -v npm >/dev/null || wanted+=(npm)
    [ ${#wanted[@]} -eq 0 ] || install_missing "${wanted[@]}"
}

install_sdk_clients() {
    local dir
    for dir in build/tests/mcp/sdk_client build/tests/mcp/sdk_client_v2; do
        [ -f "$dir/node_modules/.package-lock.json" ] && [ "$dir/node_modules/.package-lock.json" -nt "$dir/package-lock.json" ] && continue
        (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
    done
}

# ccache, when there, makes a rebuild of unchanged files free; it needs these sloppiness
# settings to cache files compiled with a precompiled header.
build() {
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
    fi
    scripts/configure.sh default "${launcher[@]}"
    cmake --build build -j "$(nproc)"
}

case "${1:-}" in
    start)
        install_missing "${packages[@]}"
        build
        exec build/app/ui/quillon
        ;;
    test)
        install_missing "${packages[@]}" "${test_packages[@]}"
        install_node
        build
        install_sdk_clients
        # GUI and notification tests need a display and a session bus of their own.
        cd build
        exec xvfb-run -a dbus-run-session -- ctest --output-on-failure -j "$(nproc)" --timeout 300
        ;;
    *)
        echo "usage: $0 start|test" >&2
        exit 2
        ;;
esac
