#include "app/ssh_config_hosts.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/ssh_transport.h"
#include "core/text.h"

namespace quillon::SshConfigHosts {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// Words split on blanks; "Host=a" and quoted names as ssh reads them.
std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (isSpace(c) || (c == '=' && out.empty()))) {
            if (any) out.push_back(std::move(word));
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) out.push_back(std::move(word));
    return out;
}

}  // namespace

std::vector<std::string> parse(std::string_view configText) {
    std::vector<std::string> hosts;
    for (auto line : text::split(configText, "\n", true)) {
        line = text::trim(line);
        if (line.empty() || line.front() == '#') continue;
        const auto pieces = words(line);
        if (pieces.size() < 2) continue;
        std::string keyword = pieces.front();
        std::transform(keyword.begin(), keyword.end(), keyword.begin(), [](unsigned char c) { return std::tolower(c); });
        if (keyword != "host") continue;
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            const std::string& name = pieces[i];
            if (name.find_first_of("*?!") != std::string::npos) continue;
            if (SshTransport::destinationProblem(name)) continue;
            if (std::find(hosts.begin(), hosts.end(), name) == hosts.end()) hosts.push_back(name);
        }
    }
    return hosts;
}

std::vector<std::string> read() {
    const passwd* account = ::getpwuid(::getuid());
    if (!account || !account->pw_dir) return {};
    std::ifstream file(std::string(account->pw_dir) + "/.ssh/config");
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str());
}

}  // namespace quillon::SshConfigHosts
