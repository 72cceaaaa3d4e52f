#!/usr/bin/env bash
# The app under load, for the checked build: a private server whose sessions are created and
# killed every second, a scanner rule firing on each new one, for a while (30 min by default).
# Reports the sanitizers' findings, the rule's firings and the resident memory after the first
# minute and at the end. The app is asked to quit with SIGTERM, so LeakSanitizer runs too.
# It runs on a private X display: the scanner is started as a user starts it, with the Start
# button that the Scanner screen focuses when it opens (bench/press_key.py presses Space).
#   bench/app_soak.sh [build-dir] [minutes]      (defaults: build-asan, 30)
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -n "${QUILLON_SOAK_DISPLAY:-}" ]] || QUILLON_SOAK_DISPLAY=1 exec xvfb-run -a "$0" "$@"
build="${1:-build-asan}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
minutes="${2:-30}"
app_binary="$build/app/ui/quillon"
[[ -x "$app_binary" ]] || { echo "no $app_binary: build the asan preset first" >&2; exit 2; }

world="$(mktemp -d /tmp/quillon-soak-XXXXXX)"
app=
cleanup() {
    [[ -n "$app" ]] && kill -9 "$app" 2>/dev/null || true
    tmux -L soak kill-server 2>/dev/null || true
    rm -rf "$world"
}
trap cleanup EXIT
export TMUX_TMPDIR="$world" HOME="$world" XDG_CONFIG_HOME="$world/config" XDG_STATE_HOME="$world/state"
export XDG_RUNTIME_DIR="$world/run" SHELL=/bin/sh
# A small quarantine: ASan's default keeps up to 256 MiB of freed memory, which would read as growth.
# SOAK_ASAN_OPTIONS adds more (malloc_context_size=0: no stack kept per allocation).
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=${QUARANTINE_MB:-16}:log_path=$world/asan${SOAK_ASAN_OPTIONS:+:$SOAK_ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:log_path=$world/ubsan"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer_suppressions.txt"
mkdir -p "$XDG_CONFIG_HOME/quillon" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
tmux -L soak -f /dev/null new-session -d -s base
fired="$world/fired"
cat > "$XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json" <<EOF
{"socketMode":"name","socketValue":"soak","autoCommandsEnabled":true,
 "scanRules":[{"id":"6f1c2f3e-8a4b-4c1d-9e2f-0a1b2c3d4e5f","enabled":true,"name":"soak",
   "trigger":"sessionAdded","match":"","actionKind":"runShell",
   "actionValue":"echo fired >> $fired","cooldownSeconds":0}]}
EOF
"$app_binary" --show scanner > "$world/app.log" 2>&1 &
app=$!
started() {  # once the app watches the server, Start is pressed; a new session shows the rule runs
    local tries
    for ((tries = 0; tries < 120; tries++)); do
        tmux -L soak list-clients -F '#{client_control_mode}' 2>/dev/null | grep -q 1 && break
        sleep 1
    done
    sleep 3  # the window shown and focused
    python3 bench/press_key.py space || return 1
    for ((tries = 0; tries < 20; tries++)); do
        tmux -L soak new-session -d -s "probe$tries"
        sleep 1
        [[ -s "$fired" ]] && return 0
    done
    return 1
}
started || { echo "the scanner did not start" >&2; cat "$world/app.log" >&2; exit 1; }

rss() { awk '/VmRSS/ {print $2}' "/proc/$app/status"; }
# What the app's own allocations hold, as the sanitizer's allocator counts them (KiB); RSS also
# holds the sanitizer's own bookkeeping. Read through gdb, when it is there.
heap() {
    command -v gdb >/dev/null || { echo "?"; return; }
    # The program by its /proc link: a build that replaced the file meanwhile leaves that one.
    gdb -batch -nx -ex 'print (long)__sanitizer_get_current_allocated_bytes()' "/proc/$app/exe" "$app" 2>/dev/null |
        awk '/^\$1 = / {printf "%d", $3 / 1024; found = 1} END {if (!found) printf "?"}'
}
churn() {  # one second of churn: a session opens, the one from five seconds ago closes
    local i=$1
    tmux -L soak new-session -d -s "churn$i" 2>/dev/null || true
    (( i >= 5 )) && tmux -L soak kill-session -t "=churn$((i - 5))" 2>/dev/null || true
    sleep 1
}
i=0
for ((; i < 60; i++)); do churn "$i"; done
first=$(rss) first_heap=$(heap)
for ((; i < minutes * 60; i++)); do
    kill -0 "$app" 2>/dev/null || { echo "the app ended early" >&2; cat "$world/app.log" >&2; exit 1; }
    churn "$i"
    (( i % 60 == 59 )) && echo "$(( (i + 1) / 60 )) min: RSS $(rss) KiB, heap in use $(heap) KiB"
done
last=$(rss) last_heap=$(heap)
kill -TERM "$app"
status=0
wait "$app" || status=$?
app=
reports=$(cat "$world"/asan* "$world"/ubsan* 2>/dev/null || true)
awk -v a="$first" -v b="$last" -v n="$i" -v f="$( (wc -l < "$fired") 2>/dev/null || echo 0)" -v s="$status" \
    'BEGIN { printf "%d s of churn: rule fired %d times; RSS %.1f MiB after 1 min, %.1f MiB at the end (%+.1f %%); exit status %d\n",
             n, f, a / 1024, b / 1024, 100 * (b - a) / a, s }'
echo "heap in use: $first_heap KiB after 1 min, $last_heap KiB at the end"
if [[ -n "$reports" ]]; then
    echo "sanitizer reports:"; echo "$reports"; exit 1
fi
echo "no sanitizer report"
