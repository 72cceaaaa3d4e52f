#include "app/session_template.h"

#include <QUuid>

#include <stdexcept>

#include "core/paths.h"

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

SessionTemplate SessionTemplate::fromSession(const TmuxSession& session) {
    SessionTemplate captured{newTemplateID(), session.name, session.path, {}};
    for (const TmuxWindow& w : session.windows) captured.windows.push_back(window(w.name));
    return captured;
}

nlohmann::json toJson(const std::vector<SessionTemplate>& templates) {
    nlohmann::json array = nlohmann::json::array();
    for (const SessionTemplate& t : templates) {
        nlohmann::json windows = nlohmann::json::array();
        for (const TemplateWindow& w : t.windows)
            windows.push_back({{"id", w.id}, {"name", w.name}, {"command", w.command}});
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
        for (const nlohmann::json& w : windows)
            t.windows.push_back({requiredID(w), requiredString(w, "name"), requiredString(w, "command")});
        templates.push_back(std::move(t));
    }
    return templates;
}

void runTemplate(const TmuxClient& client, const SessionTemplate& t) {
    // tmux takes "~/proj" literally; expanded as the new-session sheet does.
    const std::optional<std::string> directory =
        t.directory.empty() ? std::nullopt : std::optional(paths::expandTilde(t.directory));
    // Each window is addressed by the id tmux gave it: a bare name could mean a window of
    // another session, and the new session's own first window could shadow its name.
    auto created = [&](std::string id) { return id.empty() ? t.name : id; };
    const std::string first = created(client.newSession(t.name, directory));
    if (t.windows.empty()) return;
    // Windows join the new session by its id: a name like "$0" would reach session $0.
    const std::string session = client.displayMessage(first, "#{session_id}").value_or(t.name);
    client.renameWindow(first, t.windows.front().name);
    if (!t.windows.front().command.empty()) client.sendKeys(first, t.windows.front().command, true);
    for (auto it = t.windows.begin() + 1; it != t.windows.end(); ++it) {
        const std::string window = created(client.newWindow(session, it->name, directory));
        if (!it->command.empty()) client.sendKeys(window, it->command, true);
    }
}

}  // namespace quillon
