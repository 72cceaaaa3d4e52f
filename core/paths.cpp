#include "core/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "core/text.h"

namespace quillon::paths {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

std::string expandTilde(std::string_view path) {
    if (path == "~") return homeDirectory();
    if (text::startsWith(path, "~/")) return join(homeDirectory(), path.substr(2));
    return std::string(path);
}

std::string join(std::string_view base, std::string_view component) {
    std::string out(base);
    while (!component.empty() && component.front() == '/') component.remove_prefix(1);
    if (out.empty()) return std::string(component);
    if (out.back() != '/') out += '/';
    out += component;
    return out;
}

std::string standardize(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> parts;
    for (auto piece : text::split(path, "/", true)) {
        if (piece == ".") continue;
        if (piece == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (!absolute) parts.push_back(piece);
            continue;
        }
        parts.push_back(piece);
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    return out.empty() ? (absolute ? "/" : ".") : out;
}

std::string lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string xdgDirectory(const std::map<std::string, std::string>& environment, const std::string& variable,
                         std::string_view fallbackUnderHome) {
    const auto value = environment.find(variable);
    if (value != environment.end() && !value->second.empty() && value->second.front() == '/') return value->second;
    const auto homeValue = environment.find("HOME");
    const std::string home =
        homeValue != environment.end() && !homeValue->second.empty() ? homeValue->second : homeDirectory();
    return join(home, fallbackUnderHome);
}

}  // namespace quillon::paths
