#pragma once
// A saved recipe for a tmux session: a name, a start directory and its windows,
// each with an optional command typed into it.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "core/tmux_client.h"
#include "core/tmux_model.h"

namespace quillon {

// A random UUID in its 36-character text form.
std::string newTemplateID();

struct TemplateWindow {
    std::string id;  // UUID text
    std::string name;
    std::string command;  // typed followed by Enter; empty: none

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
    // The shape of a live session, with fresh ids and no commands.
    static SessionTemplate fromSession(const TmuxSession& session);
};

// The stored form: every key required, ids must be UUIDs. fromJson throws
// nlohmann::json::exception (or std::invalid_argument) when the value does not decode.
nlohmann::json toJson(const std::vector<SessionTemplate>& templates);
std::vector<SessionTemplate> templatesFromJson(const nlohmann::json& value);

// Creates the session: new-session, the first window renamed (and its command typed), then one
// new-window per further window, each followed by its command; every window is addressed by
// its tmux id. Stops at the first failure.
void runTemplate(const TmuxClient& client, const SessionTemplate& sessionTemplate);

}  // namespace quillon
