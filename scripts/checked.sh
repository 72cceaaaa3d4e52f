#!/usr/bin/env bash
# Builds one checked preset (asan or tsan, CMakePresets.json) and runs its whole suite under a
# private X display and session bus, like ./setup.sh test does for the ordinary build.
# Expects what ./setup.sh test installs (clang among it).
#   scripts/checked.sh asan|tsan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/checked.sh asan|tsan}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
# The SDK client test drives this tree's quillon-mcp with the packages ./setup.sh test installed.
sdk=tests/mcp/sdk_client/node_modules
if [ -d "build/$sdk" ] && [ -d "build-$preset/tests/mcp/sdk_client" ] && [ ! -e "build-$preset/$sdk" ]; then
    ln -s "$PWD/build/$sdk" "build-$preset/$sdk"
fi
exec xvfb-run -a dbus-run-session -- ctest --preset "$preset" -j "$(nproc)"
