#pragma once
// A saved recipe for a tmux session: a name, a start directory and its windows,
// each with an optional command typed into it, and, when saved from a live session, its
// panes (directory, command) and layout string, so that launching rebuilds them.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "core/tmux_client.h"
#include "core/tmux_model.h"

namespace quillon {

// A random UUID in its 36-character text form.
std::string newTemplateID();

struct TemplatePane {
    std::string directory;  // empty: the template's directory
    std::string command;    // typed followed by Enter; empty: none
    bool operator==(const TemplatePane&) const = default;
};

struct TemplateWindow {
    std::string id;  // UUID text
    std::string name;
    std::string command;  // typed into the first pane, followed by Enter; empty: none
    // Optional, ignored by versions before them: the panes to split the window into and
    // tmux's layout string to arrange them with. No panes: one pane, as before.
    std::string layout = {};
    std::vector<TemplatePane> panes = {};

    bool operator==(const TemplateWindow&) const = default;
};

struct SessionTemplate {
    std::string id;  // UUID text
    std::string name;       // the tmux session to create
    std::string directory;  // of the session and its further windows; empty: tmux's default
    std::vector<TemplateWindow> windows;  // the first one is the session's initial window

    bool operator==(const SessionTemplate&) const = default;

    // The built-in templates "dev", "logs" and "agent".
    static std::vector<SessionTemplate> seed();
    // The shape of a live session with fresh ids: windows, their layouts and panes. A pane's
    // command is kept only when it is in restartPrograms (and not a shell); the first pane's
    // goes into the window's command, which older versions type too.
    static SessionTemplate fromSession(const TmuxSession& session, const std::vector<std::string>& restartPrograms = {});
};

// The stored form: the keys of the first version required, ids must be UUIDs; "layout" and
// "panes" optional (written only when there are panes); unknown keys ignored. fromJson throws
// nlohmann::json::exception (or std::invalid_argument) when the value does not decode.
nlohmann::json toJson(const std::vector<SessionTemplate>& templates);
std::vector<SessionTemplate> templatesFromJson(const nlohmann::json& value);

// Creates the session: new-session, the first window renamed (and its command typed), then one
// new-window per further window, each followed by its command; every window is addressed by
// its tmux id. A window with panes is split into them (each in its directory, with its
// command) and arranged with its layout. Stops at the first failure.
void runTemplate(const TmuxClient& client, const SessionTemplate& sessionTemplate);

}  // namespace quillon
