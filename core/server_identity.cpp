#include "core/server_identity.h"

#include "core/paths.h"
#include "core/server_scanner.h"
#include "core/tmux_client.h"

namespace quillon {
namespace {

// "/" and "%" escaped, and a leading "." so that "." and ".." stay names.
std::string folderComponent(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '/') out += "%2F";
        else if (c == '%') out += "%25";
        else if (c == '.' && i == 0) out += "%2E";
        else out += c;
    }
    return out;
}

}  // namespace

ServerIdentity ServerIdentity::named(std::string_view name, std::string_view host) {
    ServerIdentity identity;
    identity.host = std::string(host);
    identity.socketName = name.empty() ? "default" : std::string(name);
    return identity;
}

ServerIdentity ServerIdentity::atPath(std::string_view path, std::string_view host) {
    if (path.empty()) return named({}, host);
    const std::string standard = paths::standardize(path);
    if (host.empty()) {
        // tmux reads "-L name" as this very file, so both spellings are one server.
        const std::string directory = TmuxServerScanner::defaultSocketDirectory();
        const std::string name = paths::lastComponent(standard);
        if (paths::join(directory, name) == standard && name != "/") return named(name);
    }
    ServerIdentity identity;
    identity.host = std::string(host);
    identity.socketName.clear();
    identity.socketPath = standard;
    return identity;
}

ServerIdentity ServerIdentity::fromSocketArgs(const std::vector<std::string>& socketArgs, std::string_view host) {
    for (std::size_t i = 0; i < socketArgs.size(); ++i) {
        const std::string& word = socketArgs[i];
        if (word.size() < 2 || word[0] != '-' || (word[1] != 'L' && word[1] != 'S')) continue;
        const std::string value = word.size() > 2 ? word.substr(2) : i + 1 < socketArgs.size() ? socketArgs[i + 1] : "";
        return word[1] == 'L' ? named(value, host) : atPath(value, host);
    }
    return named({}, host);
}

ServerIdentity ServerIdentity::of(const TmuxClient& client) {
    return fromSocketArgs(client.socketArgs, client.host.value_or(""));
}

std::vector<std::string> ServerIdentity::socketArgs() const {
    return hasPath() ? std::vector<std::string>{"-S", socketPath} : std::vector<std::string>{"-L", socketName};
}

std::filesystem::path ServerIdentity::folder() const {
    const std::string socket = folderComponent(socketText());
    if (isLocal()) return socket;
    return std::filesystem::path("%40" + folderComponent(host)) / socket;
}

}  // namespace quillon

std::size_t std::hash<quillon::ServerIdentity>::operator()(const quillon::ServerIdentity& identity) const noexcept {
    const std::hash<std::string> text;
    std::size_t seed = text(identity.host);
    for (const std::string* part : {&identity.socketName, &identity.socketPath})
        seed ^= text(*part) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    return seed;
}
