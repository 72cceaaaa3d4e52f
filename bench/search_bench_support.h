#pragma once
// The pane search benchmarks' server: 200 panes (20 sessions of 10 windows), each with
// 2,000 lines of build output in its scrollback and, in every tenth pane, one line that a
// search is after. Made with one tmux run per session; ready once every pane's history is full.

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/text.h"

namespace quillon::bench {

inline constexpr int searchSessions = 20;
inline constexpr int searchWindows = 10;
inline constexpr const char* searchNeedle = "needle-found";

// tmux runs args on the benchmark's server and returns its output (throws on failure).
inline void fillSearchPanes(const std::function<std::string(const std::vector<std::string>&)>& tmux) {
    const auto paneCommand = [](int pane) {
        const std::string seq = "seq -f 'build output line %g: compiling module with -O2 -Wall' ";
        const std::string needle = pane % 10 == 0 ? "echo 'FATAL " + std::string(searchNeedle) + " in pane'; " : "";
        return seq + "1 1000; " + needle + seq + "1001 2040; exec sleep 100000";
    };
    int pane = 0;
    // One run per session: tmux refuses a command line much longer than that.
    for (int s = 0; s < searchSessions; ++s) {
        const std::string session = "s" + std::to_string(s);
        std::vector<std::string> args{"new-session", "-d", "-s", session, "-x", "120", "-y", "30", paneCommand(pane++)};
        // The server may not run yet: the first run starts it and sets the history first.
        if (s == 0) args.insert(args.begin(), {"start-server", ";", "set-option", "-g", "history-limit", "5000", ";"});
        for (int w = 1; w < searchWindows; ++w)
            args.insert(args.end(), {";", "new-window", "-d", "-t", session + ":", paneCommand(pane++)});
        tmux(args);
    }
    for (int attempt = 0; attempt < 600; ++attempt) {
        const std::string sizes = tmux({"list-panes", "-a", "-F", "#{history_size}"});
        int full = 0;
        for (auto size : text::split(sizes, "\n", true)) full += text::parseInt(size).value_or(0) >= 2000;
        if (full == searchSessions * searchWindows) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw std::runtime_error("the panes did not fill");
}

}  // namespace quillon::bench
