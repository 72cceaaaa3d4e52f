#!/usr/bin/env bash
# Builds one checked preset (asan or tsan, CMakePresets.json) and runs its whole suite under a
# private X display and session bus, like ./setup.sh test does for the ordinary build.
# Expects what ./setup.sh test installs (clang among it).
#   scripts/checked.sh asan|tsan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/checked.sh asan|tsan}
scripts/configure.sh "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
# The SDK client tests drive this tree's quillon-mcp with the packages ./setup.sh test installed.
for client in sdk_client sdk_client_v2; do
    modules=tests/mcp/$client/node_modules
    if [ -d "build/$modules" ] && [ -d "build-$preset/tests/mcp/$client" ] && [ ! -e "build-$preset/$modules" ]; then
        ln -s "$PWD/build/$modules" "build-$preset/$modules"
    fi
done
exec xvfb-run -a dbus-run-session -- ctest --preset "$preset" -j "$(nproc)"
