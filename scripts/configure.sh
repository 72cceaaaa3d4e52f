#!/usr/bin/env bash
# Configures one preset of CMakePresets.json (default, asan or tsan) with Ninja. A build
# directory an earlier setup made with Make is configured afresh: CMake keeps a directory's
# generator for good, and Make builds whole targets one after another where Ninja overlaps them.
#   scripts/configure.sh preset [cmake options…]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: scripts/configure.sh default|asan|tsan [cmake options…]}
shift
case "$preset" in default) dir=build ;; *) dir=build-$preset ;; esac
if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
fi
cmake --preset "$preset" "$@" >/dev/null
