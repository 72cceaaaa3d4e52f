#!/usr/bin/env bash
# Figures for the desktop app: start to the first paint with 50 sessions, the GUI thread's
# share of a 200-session refresh with the screens open, one more event on a full scanner log,
# and idle memory and CPU over a minute of default polling.
#   bench/app_figures.sh [build-dir] [idle-seconds]     (defaults: build, 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac  # relative to the repository, or absolute
idle="${2:-60}"
cmake --build "$build" -j "$(nproc)" --target quillon bench_ui >/dev/null
export QT_QPA_PLATFORM=offscreen
# One run per figure, each with the program to itself.
QUILLON_BINARY="$build/app/ui/quillon" "$build/bench/bench_ui" --benchmark_filter=StartToFirstPaint
"$build/bench/bench_ui" --benchmark_filter=RefreshWithScreens
"$build/bench/bench_ui" --benchmark_filter=FullLog

world="$(mktemp -d /tmp/quillon-idle-XXXXXX)"
trap 'tmux -L idle kill-server 2>/dev/null || true; kill $app 2>/dev/null || true; rm -rf "$world"' EXIT
export TMUX_TMPDIR="$world" HOME="$world" XDG_CONFIG_HOME="$world/config" XDG_RUNTIME_DIR="$world/run"
mkdir -p "$XDG_CONFIG_HOME/quillon" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
for s in one two three four five; do tmux -L idle -f /dev/null new-session -d -s "$s"; done
echo '{"socketMode":"name","socketValue":"idle"}' > "$XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json"
"$build/app/ui/quillon" 2>/dev/null &
app=$!
sleep 5
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
before=$(ticks)
sleep "$idle"
after=$(ticks)
hz=$(getconf CLK_TCK)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
awk -v t="$((after - before))" -v hz="$hz" -v s="$idle" -v rss="$rss" \
    'BEGIN { printf "idle over %d s of default polling: %.2f %% of one core, resident %.1f MiB\n", s, 100 * t / hz / s, rss / 1024 }'
