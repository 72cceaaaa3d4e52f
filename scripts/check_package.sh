#!/usr/bin/env bash
# Builds the .deb from a build tree and checks it as a user's machine would see it: the
# validators (desktop entry, AppStream, manual pages, lintian) and the installed programs,
# run from the package's files extracted into a temporary root.
#   scripts/check_package.sh <build-dir>
set -euo pipefail
build="$(cd "${1:?usage: $0 <build-dir>}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb="$work/out/quillon_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no package at $deb"; ls "$work/out"; exit 1; }
echo "built $(basename "$deb")"

dpkg-deb -x "$deb" "$work/root"
root="$work/root/usr"
for f in bin/quillon bin/quillon-mcp share/applications/org.quillon.Quillon.desktop \
         share/icons/hicolor/scalable/apps/org.quillon.Quillon.svg share/metainfo/org.quillon.Quillon.metainfo.xml \
         share/man/man1/quillon.1.gz share/man/man1/quillon-mcp.1.gz share/man/ro/man1/quillon-mcp.1.gz share/doc/quillon/copyright; do
    [ -e "$root/$f" ] || { echo "missing from the package: /usr/$f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q 'tmux' || { echo "the package does not depend on tmux"; exit 1; }

desktop-file-validate "$root/share/applications/org.quillon.Quillon.desktop"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/org.quillon.Quillon.metainfo.xml"
for page in "$root"/share/man/man1/*.1.gz "$root"/share/man/ro/man1/*.1.gz; do
    warnings="$(gzip -dc "$page" | groff -k -man -Tutf8 -ww -z 2>&1)"
    [ -z "$warnings" ] || { echo "${page#"$root"/}: $warnings"; exit 1; }
done
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb"
fi

# The installed programs, with no display and no settings of the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QUILLON_LANG=en
mkdir -p "$HOME"
[ "$("$root/bin/quillon-mcp" --version)" = "quillon-mcp $version" ] || { echo "quillon-mcp --version is wrong"; exit 1; }
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/quillon" --version)" = "quillon $version" ] || { echo "quillon --version is wrong"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/quillon" --help | grep -q '^Usage: quillon '
answer="$(echo '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2024-11-05"}}' \
          | "$root/bin/quillon-mcp" 2>/dev/null)"
echo "$answer" | grep -q "\"serverInfo\":{\"name\":\"quillon\",\"version\":\"$version\"}" \
    || { echo "initialize through the installed quillon-mcp answered: $answer"; exit 1; }
echo "package check passed: $(basename "$deb")"
