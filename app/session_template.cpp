#include "app/session_template.h"

#include <QUuid>

#include <algorithm>
#include <stdexcept>

#include "core/foreground_probe.h"
#include "core/paths.h"
#include "core/restore_plan.h"
#include "core/text.h"

namespace quillon {
namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// 8-4-4-4-12 hexadecimal digits.
bool isUuidText(const std::string& text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHex(text[i])) return false;
    }
    return true;
}

std::string requiredString(const nlohmann::json& object, const char* key) {
    return object.at(key).get<std::string>();
}

std::string requiredID(const nlohmann::json& object) {
    std::string id = requiredString(object, "id");
    if (!isUuidText(id)) throw std::invalid_argument("not a UUID: " + id);
    return id;
}

// A key added after the first version: absent or of another type reads as empty.
std::string optionalString(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

TemplateWindow window(std::string name) { return {newTemplateID(), std::move(name), ""}; }

}  // namespace

std::string newTemplateID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
}

std::vector<SessionTemplate> SessionTemplate::seed() {
    return {
        {newTemplateID(), "dev", "", {window("editor"), window("server"), window("git")}},
        {newTemplateID(), "logs", "", {window("logs")}},
        {newTemplateID(), "agent", "", {window("agent")}},
    };
}

SessionTemplate SessionTemplate::fromSession(const TmuxSession& session, const std::vector<std::string>& restartPrograms) {
    auto restartable = [&](const std::string& command) {
        return !ForegroundProbe::isShell(command) && std::find(restartPrograms.begin(), restartPrograms.end(), command) != restartPrograms.end();
    };
    SessionTemplate captured{newTemplateID(), session.name, session.path, {}};
    for (const TmuxWindow& w : session.windows) {
        TemplateWindow saved = window(w.name);
        saved.layout = w.panes.size() > 1 ? w.layout : std::string();
        for (const TmuxPane& pane : w.panes)
            saved.panes.push_back({pane.path, restartable(pane.command) ? pane.command : std::string()});
        if (!saved.panes.empty()) saved.command = std::exchange(saved.panes.front().command, std::string());
        captured.windows.push_back(std::move(saved));
    }
    return captured;
}

nlohmann::json toJson(const std::vector<SessionTemplate>& templates) {
    nlohmann::json array = nlohmann::json::array();
    for (const SessionTemplate& t : templates) {
        nlohmann::json windows = nlohmann::json::array();
        for (const TemplateWindow& w : t.windows) {
            nlohmann::json window = {{"id", w.id}, {"name", w.name}, {"command", w.command}};
            // A layout read without panes (a document edited by hand) is kept, not dropped.
            if (!w.panes.empty() || !w.layout.empty()) window["layout"] = w.layout;
            if (!w.panes.empty()) {
                nlohmann::json panes = nlohmann::json::array();
                for (const TemplatePane& p : w.panes) panes.push_back({{"directory", p.directory}, {"command", p.command}});
                window["panes"] = std::move(panes);
            }
            windows.push_back(std::move(window));
        }
        array.push_back({{"id", t.id}, {"name", t.name}, {"directory", t.directory}, {"windows", windows}});
    }
    return array;
}

std::vector<SessionTemplate> templatesFromJson(const nlohmann::json& value) {
    if (!value.is_array()) throw std::invalid_argument("templates are not an array");
    std::vector<SessionTemplate> templates;
    for (const nlohmann::json& object : value) {
        SessionTemplate t{requiredID(object), requiredString(object, "name"), requiredString(object, "directory"), {}};
        const nlohmann::json& windows = object.at("windows");
        if (!windows.is_array()) throw std::invalid_argument("windows are not an array");
        for (const nlohmann::json& w : windows) {
            TemplateWindow window{requiredID(w), requiredString(w, "name"), requiredString(w, "command")};
            window.layout = optionalString(w, "layout");
            if (auto panes = w.find("panes"); panes != w.end() && panes->is_array())
                for (const nlohmann::json& p : *panes)
                    if (p.is_object()) window.panes.push_back({optionalString(p, "directory"), optionalString(p, "command")});
            t.windows.push_back(std::move(window));
        }
        templates.push_back(std::move(t));
    }
    return templates;
}

namespace {

std::optional<std::string> presentOr(const std::string& directory, const std::optional<std::string>& fallback) {
    return directory.empty() ? fallback : std::optional(directory);
}

// Splits a created window into the template's further panes and arranges them. Each split
// follows the last pane (kept by the id tmux printed) and leaves the first one active.
void buildPanes(const TmuxClient& client, const std::string& window, const TemplateWindow& saved,
                const std::optional<std::string>& directory) {
    if (saved.panes.size() < 2) return;
    std::string last = window;
    for (std::size_t k = 1; k < saved.panes.size(); ++k) {
        std::vector<std::string> split{"split-window", "-d", "-t", last, "-P", "-F", "#{pane_id}"};
        if (auto dir = presentOr(saved.panes[k].directory, directory)) split.insert(split.end() - 3, {"-c", *dir});
        const std::string pane(text::trim(client.run(split)));
        if (!pane.empty()) last = pane;
        // Room for the next split; the saved layout replaces this at the end.
        if (k + 1 < saved.panes.size()) client.run({"select-layout", "-t", window, "tiled"});
        if (!saved.panes[k].command.empty()) client.sendKeys(last, saved.panes[k].command, true);
    }
    if (!saved.layout.empty()) client.run({"select-layout", "-t", window, saved.layout});
}

// The first pane's command: the window's, else the pane's own.
const std::string& firstCommand(const TemplateWindow& w) {
    return w.command.empty() && !w.panes.empty() ? w.panes.front().command : w.command;
}

}  // namespace

void runTemplate(const TmuxClient& client, const SessionTemplate& t) {
    // tmux takes "~/proj" literally; expanded as the new-session sheet does.
    const std::optional<std::string> directory =
        t.directory.empty() ? std::nullopt : std::optional(paths::expandTilde(t.directory));
    // Each window is addressed by the id tmux gave it: a bare name could mean a window of
    // another session, and the new session's own first window could shadow its name.
    auto created = [&](std::string id) { return id.empty() ? t.name : id; };
    auto startIn = [&](const TemplateWindow& w) { return w.panes.empty() ? directory : presentOr(w.panes.front().directory, directory); };
    const std::string first = created(client.newSession(t.name, t.windows.empty() ? directory : startIn(t.windows.front())));
    if (t.windows.empty()) return;
    // Windows join the new session by its id: a name like "$0" would reach session $0.
    const std::string session = client.displayMessage(first, "#{session_id}").value_or(t.name);
    client.renameWindow(first, t.windows.front().name);
    if (!firstCommand(t.windows.front()).empty()) client.sendKeys(first, firstCommand(t.windows.front()), true);
    buildPanes(client, first, t.windows.front(), directory);
    for (auto it = t.windows.begin() + 1; it != t.windows.end(); ++it) {
        const std::string window = created(client.newWindow(session, it->name, startIn(*it)));
        if (!firstCommand(*it).empty()) client.sendKeys(window, firstCommand(*it), true);
        buildPanes(client, window, *it, directory);
    }
}

}  // namespace quillon
