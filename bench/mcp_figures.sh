#!/usr/bin/env bash
# Figures for quillon-mcp: start-to-initialize median, idle memory, the census of 16 live
# servers against a shell loop of the same list-sessions runs, a scan with 2 wedged servers, and
# the two MCP eras side by side (start to server/discover against start to initialize; a
# modern tools/call against a legacy one, beside tmux's own run).
#   bench/mcp_figures.sh [build-dir]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac  # relative to the repository, or absolute
cmake --build "$build" -j "$(nproc)" --target quillon-mcp bench_mcp >/dev/null
export QUILLON_MCP_BINARY="$build/mcp/quillon-mcp"
export QUILLON_LANG=en

# One run per figure, each with the program to itself.
for figures in 'StartToInitializeAnswer|IdleResidentMemory' \
               'ShellLoopListSessions|SequentialProbes|CensusInProcess|CensusThroughMcp|ScanWithTwoWedgedServers' \
               'StartToDiscoverBesideInitialize|SessionsCallModernBesideLegacy'; do
    "$build/bench/bench_mcp" --benchmark_filter="$figures" --benchmark_counters_tabular=true
done
