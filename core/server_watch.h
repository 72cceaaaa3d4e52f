#pragma once
// What the shown server's watcher says to tmux and how it reads the answers: a control-mode
// client that keeps out of the way (read-only, its size ignored, no pane output), one format
// subscription for what tmux sends no notification about (each pane's current command, path
// and death, each window's last output and bell, each session's count of clients) or tells
// only of the client's own session (each window's layout, zoom and active flag), and the
// sorting of the lines that come back.
// Plain functions of text; the child itself is a TmuxControlMode.

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tmux_model.h"
#include "core/view_lifetime.h"

namespace quillon::ServerWatch {

// attach-session -f: accepted by tmux 3.2 and later.
const std::string& clientFlags();
// The subscription's name, and the line that asks for it (tmux reports it at once, then at
// most once a second when its value changed).
const std::string& subscriptionName();
std::string subscribeCommand();

enum class Line {
    structure,  // sessions, windows, panes or clients changed: a snapshot is due
    values,     // the subscription's new value
    attached,   // the client's own session was set: watching starts now
    exited,     // tmux is ending the client
    reply,      // %begin / %end / %error and other known lines: the stream is sound
    unknown,    // not a control-mode line
};
Line classify(std::string_view line);

// The value of a "%subscription-changed" line of our subscription; nothing for other lines.
// A view into line, so a line built on the spot cannot be given.
std::optional<std::string_view> subscriptionValue(std::string_view line QUILLON_LIFETIMEBOUND);
template <class S>
    requires std::same_as<S, std::string>
std::optional<std::string_view> subscriptionValue(S&& line) = delete;

// What one value of the subscription says, in tmux's order.
struct LiveValues {
    struct Session {
        std::string id;               // "$3"
        std::int64_t clients = 0;     // every client, control clients too
        bool operator==(const Session&) const = default;
    };
    struct Window {
        std::string id;  // "@4"
        std::string layout;
        bool isZoomed = false;
        bool isActive = false;
        std::string activity;  // when a pane of it last printed (epoch seconds, as tmux says)
        bool hasBell = false;
        bool operator==(const Window&) const = default;
    };
    struct Pane {
        std::string id;  // "%12"
        std::string command;
        std::string path;
        bool isDead = false;
        std::string windowId;  // the window it was listed under
        bool operator==(const Pane&) const = default;
    };
    std::vector<Session> sessions;
    std::vector<Window> windows;  // of every session: a linked window once for each
    std::vector<Pane> panes;

    // Nothing when the text is not such a value.
    static std::optional<LiveValues> parse(std::string_view value);
    bool operator==(const LiveValues&) const = default;
};

// The panes in after where something may have happened inside since before: listed anew,
// another command, died, or their window printed or rang. Their state is worth a reading.
std::vector<std::string> stirredPanes(const LiveValues& before, const LiveValues& after);

// The sessions with each pane's command and path taken from values; nothing when the panes
// or windows listed differ from the sessions' (a snapshot must tell what changed).
std::optional<std::vector<TmuxSession>> withValues(const std::vector<TmuxSession>& sessions,
                                                   const LiveValues& values);

}  // namespace quillon::ServerWatch
