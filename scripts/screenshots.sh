#!/usr/bin/env bash
# Screenshots of Quillon on a private tmux server, in English and Romanian, light and dark.
#   scripts/screenshots.sh [build-dir] [out-dir] [place names…]
# With place names (as in the list below, e.g. "panel"), only those are shot.
# Runs Quillon under xvfb-run with a tray host (trayer) and a session bus, brings each place up
# with `quillon --show <place>` and saves the whole screen with `import -window root`.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

# Every place shot, as "file-name place". The panel comes last: without a window manager its
# pixels would linger on the desktop behind later shots.
places=(
    "main dashboard"
    "session session:work"
    "session-preview session:work:preview"
    "session-send session:work:send"
    "session-activity session:work:activity"
    "config config"
    "servers servers"
    "settings settings:general"
    "settings-tmux settings:tmux"
    "settings-scanner settings:scanner"
    "settings-hosts settings:hosts"
    "settings-about settings:about"
    "scanner scanner"
    "rules rules"
    "templates templates"
    "learn learn"
    "new-session new-session"
    "search search:quillon"
    "panel panel"
)

# One rule, so the rules screen shows a card.
rules='[{"id":"8d3c2f6e-4b7a-4c1e-9f2d-5a6b7c8d9e0f","enabled":true,"name":"vim watcher","trigger":"paneChanged","match":"vim","actionKind":"notify","actionValue":"","cooldownSeconds":30}]'

if [ "${1:-}" != "--inside" ]; then
    build="$(cd "${1:-$here/build}" && pwd)"
    out="$(mkdir -p "${2:-$build/screenshots}" && cd "${2:-$build/screenshots}" && pwd)"
    quillon="$build/app/ui/quillon"
    for tool in xvfb-run dbus-run-session trayer import tmux; do
        command -v "$tool" >/dev/null || { echo "missing: $tool (./setup.sh installs it)" >&2; exit 1; }
    done
    [ -x "$quillon" ] || { echo "build Quillon first: $quillon" >&2; exit 1; }
    shift $(( $# < 2 ? $# : 2 ))
    exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" --inside "$build" "$out" "$@"
fi
build="$2"; out="$3"; quillon="$build/app/ui/quillon"
shift 3
if [ $# -gt 0 ]; then
    wanted=" $* "
    chosen=()
    for entry in "${places[@]}"; do
        case "$wanted" in *" ${entry%% *} "*) chosen+=("$entry") ;; esac
    done
    places=("${chosen[@]}")
fi

world="$(mktemp -d /tmp/quillon-shots-XXXXXX)"
export TMUX_TMPDIR="$world/tmux" HOME="$world/home" XDG_CONFIG_HOME="$world/home/.config" XDG_RUNTIME_DIR="$world/run"
export XDG_STATE_HOME="$world/home/.local/state"
export SHELL=/bin/sh
unset TMUX
mkdir -p "$TMUX_TMPDIR" "$XDG_CONFIG_HOME/quillon" "$XDG_RUNTIME_DIR" "$HOME/code/api"
chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
    pkill -P $$ 2>/dev/null || true
    tmux kill-server 2>/dev/null || true
    tmux -L ci kill-server 2>/dev/null || true
    rm -rf "$world"
}
trap cleanup EXIT

# A private server (its own TMUX_TMPDIR): a few sessions, splits, one attached client.
t() { tmux -f /dev/null "$@"; }
t new-session -d -s work -n editor -c "$HOME/code/api" -x 200 -y 50
t split-window -h -t work:0 -c "$HOME/code/api"
t split-window -v -t work:0.1 -c "$HOME/code/api"
t new-window -t work -n server -c "$HOME/code/api"
t new-window -t work -n git -c "$HOME/code/api"
t select-window -t work:0
t select-pane -t work:0.0
t new-session -d -s logs -n tail -c /var/log
t new-session -d -s agent -n agent -c "$HOME"
t new-session -d -s build -n make -c "$HOME/code/api"
# A second server, and the socket a killed one left behind, for the servers screen.
t -L ci new-session -d -s nightly -n test
t -L old new-session -d -s gone
kill -9 "$(t -L old display-message -p '#{pid}')"
t send-keys -t work:0.0 'printf "\033[1mquillon\033[0m preview\n"; ls -la /' Enter
# Panes that need the user, for the panel's first section: a prompt waiting for an answer and
# a test run that failed (its pane kept after the exit).
t send-keys -t agent:0 "read -p 'Deploy to production? [y/N] ' answer" Enter
t new-window -d -t build -n tests "sh -c 'sleep 2; echo 3 tests failed; exit 1'"
t set-option -w -t build:tests remain-on-exit on
# A long-running program, so the session's pane cards show one running beside those at the prompt.
t send-keys -t work:1 'sleep 3600' Enter
printf '# mouse + istoricul mai mare\nset -g mouse on\nset -g history-limit 50000\n' > "$HOME/.tmux.conf"
# A host that takes the connection and never says a word, so the servers screen is still
# asking it when shot (ssh gives up after 5 s); ssh reads only this configuration.
perl -MIO::Socket::INET -e '$| = 1; my $s = IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0, Listen => 8) or die;
    print $s->sockport, "\n"; sleep 3600' > "$world/quiet-port" &
until [ -s "$world/quiet-port" ]; do sleep 0.1; done
printf 'Host quietbox\n  HostName 127.0.0.1\n  Port %s\n' "$(cat "$world/quiet-port")" > "$world/ssh_config"
printf '#!/bin/sh\nexec ssh -F "%s" "$@"\n' "$world/ssh_config" > "$world/ssh"
chmod +x "$world/ssh"
export QUILLON_SSH="$world/ssh"
mkfifo "$world/hold"
sleep 600 > "$world/hold" &
tmux -f /dev/null -C attach-session -t agent < "$world/hold" > /dev/null &

# A plain desktop behind the windows (the X root keeps stale pixels otherwise).
convert -size 1280x800 xc:"#4c566a" "$world/desktop.png"
display -window root "$world/desktop.png" || true
trayer --edge top --align right --widthtype pixel --width 120 --height 24 --SetDockType true &
sleep 1

shoot() { sleep "${2:-1.2}"; import -window root "$out/$1.png"; }

for language in en ro; do
    for appearance in light dark; do
        printf '{"language":"%s","appearance":"%s","socketMode":"default","hosts":[{"destination":"buildbox"},{"destination":"quietbox"}],"scanRules":%s}\n' "$language" "$appearance" "$rules" \
            > "$XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json"
        "$quillon" &
        app=$!
        shoot "skip" 3
        for entry in "${places[@]}"; do
            name="${entry%% *}"; place="${entry#* }"
            "$quillon" --show "$place"
            shoot "$name-$language-$appearance"
        done
        kill "$app"; wait "$app" 2>/dev/null || true
    done
done
# The server dies: each start offers its sessions back, and the chooser lists them.
case "${wanted:- restore }" in *" restore "*) ;; *) rm -f "$out/skip.png"; echo "screenshots in $out"; exit 0 ;; esac
tmux kill-server
for language in en ro; do
    for appearance in light dark; do
        printf '{"language":"%s","appearance":"%s","socketMode":"default"}\n' "$language" "$appearance" \
            > "$XDG_CONFIG_HOME/quillon/org.quillon.Quillon.json"
        "$quillon" &
        app=$!
        shoot "skip" 3
        "$quillon" --show dashboard
        shoot "restore-offer-$language-$appearance"
        "$quillon" --show restore
        shoot "restore-$language-$appearance"
        kill "$app"; wait "$app" 2>/dev/null || true
    done
done
rm -f "$out/skip.png"
echo "screenshots in $out"
